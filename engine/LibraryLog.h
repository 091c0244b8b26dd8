#pragma once
// FFmpeg's own log lines (probing guesses, encoder statistics) are noise for
// a user who gets our own messages; they are shown only with TAVLIN_DEBUG.
void QuietLibraryLogs();
