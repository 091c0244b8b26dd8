#pragma once
// Sent by the main window to each control just before it moves or sizes it,
// with the control's new size; the file list fits its columns on it.
#include <QEvent>

class CAboutToResizeEvent : public QEvent {
public:
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + 100);
    CAboutToResizeEvent(int width, int height) : QEvent(kType), m_nWidth(width), m_nHeight(height) {}
    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }

private:
    int m_nWidth;
    int m_nHeight;
};
