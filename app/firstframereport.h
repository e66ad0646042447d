#pragma once

class QObject;

/// The start-up benchmark's hook. When VELMO_REPORT_FIRST_PAINT is set, the
/// main window's first paint queues one line on stderr,
/// "velmo-first-paint-us N", N being the system-wide monotonic clock in
/// microseconds. The children paint after the window and the frame is flushed
/// after them, all within the event being handled then; a queued call runs
/// right after it, so N is the end of the first frame.
namespace FirstFrameReport {
/// Call from the first paintEvent of the window; context owns the queued call.
void queue(QObject *context);
}
