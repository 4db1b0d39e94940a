#include "framewidth.h"
#include "mysearchbits.h"
#include "resizerule.h"
#include "sarvikform.h"
#include "twips.h"

#include <QFrame>
#include <QWindowStateChangeEvent>

#include <cmath>

namespace {

int toPixels(float twips)
{
    return static_cast<int>(std::lround(twips / TwipsPerPixel));
}

} // namespace

QRectF SarvikForm::outerTwips() const
{
    const QRect outer = frameGeometry();
    return { outer.x() * TwipsPerPixel, outer.y() * TwipsPerPixel, outer.width() * TwipsPerPixel,
             outer.height() * TwipsPerPixel };
}

void SarvikForm::setOuterHeightTwips(float height)
{
    const int framePixels = frameGeometry().height() - this->height();
    setFixedHeight(toPixels(height) - framePixels);
}

void SarvikForm::setOuterWidthTwips(float width)
{
    const int framePixels = frameGeometry().width() - this->width();
    setFixedWidth(toPixels(width) - framePixels);
}

void SarvikForm::moveOuterTwips(float left, float top)
{
    move(toPixels(left), toPixels(top));
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
