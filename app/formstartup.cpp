#include "centring.h"
#include "mysearchbits.h"
#include "platform.h"
#include "sarvikform.h"
#include "voicelist.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QPlainTextEdit>

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
    // The outer size includes the window's frame. Some platforms know that
    // frame before the window is shown, but only once the native window
    // exists; others learn it after showing, and the window then keeps
    // its client size.
    winId();
    setOuterHeightTwips(MySearchBits::StartHeight);
    setOuterWidthTwips(MySearchBits::StartWidth);

    const QSizeF screen = m_platform.screenSizeTwips();
    const QRectF outer = outerTwips();
    const TwipsPoint corner
        = centredOnScreen(screen.width(), screen.height(), outer.width(), outer.height());
    moveOuterTwips(corner.left, corner.top);

    SetUpDisplay();
    show();
    repaint();
    return true;
}

void SarvikForm::closeEvent(QCloseEvent *event)
{
    // The program holds no files of its own, so there is nothing to close
    // before it ends. A close is never refused.
    m_unloaded = true;
    event->accept();
    QCoreApplication::quit();
}
