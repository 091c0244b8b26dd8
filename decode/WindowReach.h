#pragma once
// How a decoding window's first sample was reached (see AudioWindow.cpp).
enum class eWindowReach {
    FromStart,       // decoded from the file's start, the samples before it counted off
    Seek,            // a seek to it (packets that stand alone)
    SkippedPackets,  // the packets before it read without decoding
};
