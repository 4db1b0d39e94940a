#include "centring.h"
#include "mysearchbits.h"
#include "platform.h"
#include "sarvikform.h"
#include "voicelist.h"
#include "x11frame.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QWindow>

bool SarvikForm::load()
{
    // When the check cannot be made at all, run rather than refuse: a copy
    // that cannot start because a lock file cannot be written helps no one.
    if (m_platform.checkInstance() == Platform::InstanceCheck::AnotherRunning) {
        m_platform.beep();
        return false;
    }

    DirectionsText->setPlainText(QString());
    for (VoiceList *list : Voices)
        list->clear();
    for (const CatalogueEntry &entry : SampleCatalogue)
        Voices[entry.list]->addItem(
            QString::fromLatin1(entry.name.data(), qsizetype(entry.name.size())));

    // StartHeight is set before the first size change, so any resize event
    // from here on already compares against it.
    MySearchBits::StartHeight = 7500;
    MySearchBits::StartWidth = 6975;
    // The outer size includes the window's frame, which some platforms
    // know before showing, but only once the native window exists.
    winId();
    windowHandle()->installEventFilter(this);
    m_x11Frame = X11Frame::watch(*windowHandle(), [this] { fitToFrame(); });
    sizeAndCentre();

    SetUpDisplay();
    m_fittingToFrame = true;
    show();
    repaint();
    return true;
}

void SarvikForm::sizeAndCentre()
{
    setOuterHeightTwips(MySearchBits::StartHeight);
    setOuterWidthTwips(MySearchBits::StartWidth);

    const QRectF outer = outerTwips();
    const TwipsPoint corner
        = centredOnScreen(m_platform.primaryScreenTwips(), outer.width(), outer.height());
    moveOuterTwips(corner.left, corner.top);
}

// An X11 window manager frames the window only once it is shown, and says
// how wide the frame is in its own time, before or after the first
// exposure; start-up could only size the client. Each time the frame or an
// exposure arrives, the outer window is sized and centred again if it is
// not at its start size, until the window is on screen and no frame is
// still to be announced. A frame that comes after that (a window manager
// started or restarted later) moves nothing.
void SarvikForm::fitToFrame()
{
    if (!m_fittingToFrame)
        return;
    if (!windowFrame().isNull()
        && outerTwips().size() != QSizeF(MySearchBits::StartWidth, MySearchBits::StartHeight))
        sizeAndCentre();
    if (windowHandle()->isExposed() && !(m_x11Frame && m_x11Frame->frameToCome()))
        m_fittingToFrame = false;
}

bool SarvikForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == windowHandle() && event->type() == QEvent::Expose)
        fitToFrame();
    return QWidget::eventFilter(watched, event);
}

void SarvikForm::closeEvent(QCloseEvent *event)
{
    // The program holds no files of its own, so there is nothing to close
    // before it ends. A close is never refused.
    m_unloaded = true;
    event->accept();
    QCoreApplication::quit();
}
