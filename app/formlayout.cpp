#include "framewidth.h"
#include "mysearchbits.h"
#include "resizerule.h"
#include "sarvikform.h"
#include "twips.h"
#include "x11frame.h"

#include <QFrame>
#include <QWindow>
#include <QWindowStateChangeEvent>

#include <cmath>

namespace {

int toPixels(float twips)
{
    return static_cast<int>(std::lround(twips / TwipsPerPixel));
}

} // namespace

// Qt's own idea of the frame is a guess on X11 until the window manager has
// announced it; the announcement is what counts.
QMargins SarvikForm::windowFrame() const
{
    if (m_x11Frame)
        return m_x11Frame->margins();
    return windowHandle() ? windowHandle()->frameMargins() : QMargins();
}

QRectF SarvikForm::outerTwips() const
{
    const QRect outer = geometry().marginsAdded(windowFrame());
    return { outer.x() * TwipsPerPixel, outer.y() * TwipsPerPixel, outer.width() * TwipsPerPixel,
             outer.height() * TwipsPerPixel };
}

void SarvikForm::setOuterHeightTwips(float height)
{
    const QMargins frame = windowFrame();
    setFixedHeight(toPixels(height) - frame.top() - frame.bottom());
}

void SarvikForm::setOuterWidthTwips(float width)
{
    const QMargins frame = windowFrame();
    setFixedWidth(toPixels(width) - frame.left() - frame.right());
}

// Qt places a window by its frame or by its client area depending on what it
// believes of the frame, a guess on X11; placing the client area where the
// frame we know puts it leaves nothing to guess.
void SarvikForm::moveOuterTwips(float left, float top)
{
    const QMargins frame = windowFrame();
    const QPoint client(toPixels(left) + frame.left(), toPixels(top) + frame.top());
    setGeometry(QRect(client, size()));
}

void SarvikForm::SetUpDisplay()
{
    const QRect frame = SelectFrame->geometry();
    const float width = frameWidthPixels(outerTwips().width());
    SelectFrame->setGeometry(0, frame.top(), static_cast<int>(std::lround(width)), frame.height());
}

void SarvikForm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    runResizeRule();
}

// Qt reports minimising and restoring as state changes, not as resizes;
// they go through the same rule as the resize events they stand for.
void SarvikForm::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    const auto *change = static_cast<QWindowStateChangeEvent *>(event);
    const bool wasMinimized = change->oldState().testFlag(Qt::WindowMinimized);
    if (wasMinimized != isMinimized())
        runResizeRule();
}

void SarvikForm::runResizeRule()
{
    const ResizeDecision decision = decideResize(isMinimized(), WasMinimized, outerTwips().height(),
                                                 MySearchBits::StartHeight);
    WasMinimized = decision.wasMinimized;
    if (decision.layOut)
        SetUpDisplay();
}
