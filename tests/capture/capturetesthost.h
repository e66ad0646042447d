#pragma once

#include <QWidget>

class GlobalShortcut;

/// Stands in for the main window in the capture tests: it owns the one
/// Ctrl+Alt+C hot key and runs a capture from its startCutScreen() slot
/// exactly as the main window does, counting the captures.
class CaptureTestHost : public QWidget
{
    Q_OBJECT
public:
    explicit CaptureTestHost(QWidget *parent = nullptr);

    GlobalShortcut *hotKey() const { return m_hotKey; }
    int started() const { return m_started; }
    int finished() const { return m_finished; }

public slots:
    void startCutScreen();

private:
    GlobalShortcut *m_hotKey;
    int m_started = 0;
    int m_finished = 0;
};
