#include "capturetesthost.h"

#include "globalshortcut.h"
#include "widget.h"

CaptureTestHost::CaptureTestHost(QWidget *parent)
    : QWidget(parent)
{
    m_hotKey = new GlobalShortcut(QKeySequence(QStringLiteral("ctrl+alt+c")), this);
    connect(m_hotKey, &GlobalShortcut::activated, this, &CaptureTestHost::startCutScreen);
    Widget::prepareCapture(this);
}

void CaptureTestHost::startCutScreen()
{
    ++m_started;
    Widget::runCapture();
    ++m_finished;
}
