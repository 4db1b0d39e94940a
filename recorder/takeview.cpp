#include "takeview.h"

#include "fixchain.h"
#include "samplefile.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr double StepMs = 10;

} // namespace

TakeView::TakeView(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setMinimumHeight(80);
    setAccessibleName(tr("Take and its cut"));
    setAccessibleDescription(tr("Left and Right move the start of the cut, with Shift its end"));
}

void TakeView::setTake(const QString &path, const Cut &cut)
{
    m_frames.clear();
    m_rate = 0;
    m_cut = cut;
    if (!path.isEmpty()) {
        const bool decoded = decodeSample(path, [this](const float *frames, qint64 count) {
            m_frames.insert(m_frames.end(), frames, frames + count);
            return true;
        });
        if (!decoded)
            m_frames.clear();
        if (const auto file = SampleFile::open(path))
            m_rate = file->sampleRate();
    }
    update();
}

double TakeView::xOf(qint64 frame) const
{
    return m_frames.empty() ? 0 : double(frame) * width() / double(m_frames.size());
}

qint64 TakeView::frameAt(double x) const
{
    return std::clamp(qint64(x * double(m_frames.size()) / std::max(1, width())), qint64(0),
                      qint64(m_frames.size()));
}

void TakeView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    if (m_frames.empty() || width() <= 0)
        return;
    const double middle = height() / 2.0;
    painter.setPen(palette().text().color());
    // The loudest sample under each column, so a click is seen at any zoom.
    for (int x = 0; x < width(); ++x) {
        const auto from = std::size_t(frameAt(x));
        const auto to = std::max(from + 1, std::size_t(frameAt(x + 1)));
        float peak = 0;
        for (std::size_t i = from; i < std::min(to, m_frames.size()); ++i)
            peak = std::max(peak, std::fabs(m_frames[i]));
        painter.drawLine(QPointF(x, middle - peak * middle), QPointF(x, middle + peak * middle));
    }
    painter.setPen(QPen(palette().highlight().color(), 2));
    for (const qint64 mark : { m_cut.from, m_cut.to })
        painter.drawLine(QPointF(xOf(mark), 0), QPointF(xOf(mark), height()));
}

void TakeView::moveMark(bool start, qint64 to)
{
    Cut cut = m_cut;
    if (start)
        cut.from = std::clamp(to, qint64(0), cut.to);
    else
        cut.to = std::clamp(to, cut.from, qint64(m_frames.size()));
    if (cut == m_cut)
        return;
    m_cut = cut;
    update();
}

void TakeView::mousePressEvent(QMouseEvent *event)
{
    if (m_frames.empty())
        return;
    const double x = event->position().x();
    m_draggingStart = std::fabs(x - xOf(m_cut.from)) <= std::fabs(x - xOf(m_cut.to));
    m_dragging = true;
    moveMark(m_draggingStart, frameAt(x));
}

void TakeView::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragging)
        moveMark(m_draggingStart, frameAt(event->position().x()));
}

// The sample is cut again once, when the mark is let go.
void TakeView::mouseReleaseEvent(QMouseEvent *)
{
    if (!m_dragging)
        return;
    m_dragging = false;
    emit cutChanged(m_cut);
}

void TakeView::keyPressEvent(QKeyEvent *event)
{
    const int direction = event->key() == Qt::Key_Left ? -1 : event->key() == Qt::Key_Right ? 1 : 0;
    if (direction == 0 || m_frames.empty()) {
        QWidget::keyPressEvent(event);
        return;
    }
    const bool start = !(event->modifiers() & Qt::ShiftModifier);
    const auto step = qint64(std::llround(m_rate * StepMs / 1000)) * direction;
    const Cut before = m_cut;
    moveMark(start, (start ? m_cut.from : m_cut.to) + step);
    if (!(m_cut == before))
        emit cutChanged(m_cut);
}
