#include "centring.h"
#include "mysearchbits.h"
#include "platform.h"
#include "sarvikform.h"
#include "voicelist.h"

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
    sizeAndCentre();

    SetUpDisplay();
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

// An X11 window manager frames the window only when it maps it, so start-up
// sized the client instead. The first exposure that shows a frame redoes
// the sizing and centring once, now for the outer window.
bool SarvikForm::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_fittedToFrame && watched == windowHandle() && event->type() == QEvent::Expose
        && frameGeometry() != geometry()) {
        m_fittedToFrame = true;
        if (outerTwips().size() != QSizeF(MySearchBits::StartWidth, MySearchBits::StartHeight))
            sizeAndCentre();
    }
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
