#include "sarvikform.h"

#include "twips.h"
#include "voicelist.h"
#include "x11frame.h"

#include <QCheckBox>
#include <QFile>
#include <QFrame>
#include <QIcon>
#include <QImageReader>
#include <QKeyEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>

#include <algorithm>

namespace {

// Controls are placed in twips, at the window's fixed scale; every figure
// below is a whole pixel.
QRect twipsRect(int left, int top, int width, int height)
{
    const auto pixels = [](int twips) { return static_cast<int>(twips / TwipsPerPixel); };
    return { pixels(left), pixels(top), pixels(width), pixels(height) };
}

struct ListPlace
{
    int left;
    int top;
    int height;
    const char *placeholder;
};

// By member index. Each list is tall enough for its catalogue rows plus
// its border; the placeholder words are emptied by start-up.
constexpr std::array<ListPlace, VoicesCount> ListPlaces { {
    { 30, 60, 3150, "Turns!" },
    { 1740, 60, 2370, "Distance!" },
    { 5160, 2010, 810, "General!" },
    { 3450, 1830, 810, "Ahead!" },
    { 3450, 60, 1785, "RoundAbouts!" },
    { 1740, 2400, 810, "Motorway!" },
    { 5160, 60, 1980, "RoundAbouts!" },
} };

// Column by column from the left, the upper list of a column first.
constexpr std::array<int, VoicesCount> ListTabOrder { 0, 1, 5, 4, 3, 6, 2 };

constexpr int ListWidth = 1695;
const QColor WindowColour(255, 0, 0);
const QColor FrameColour(128, 255, 128);

// A plain push button. With the focus it is clicked by Return and Enter as
// well as by Space, as a command button is, once for each press: a held key
// does not click again. Being neither the default nor an auto-default
// button, it leaves those keys alone everywhere else.
class CommandButton : public QPushButton
{
public:
    using QPushButton::QPushButton;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
            QPushButton::keyPressEvent(event);
            return;
        }
        if (!event->isAutoRepeat())
            click();
    }
};

// The ICO holds the same pictures, but reading its twenty-one images took a
// sixth of the start-up. A reader told the format, and told not to guess,
// does not load every image plugin to ask whether it knows the file.
QIcon windowIcons()
{
    QIcon icon;
    for (int size : { 16, 24, 32, 48, 64 }) {
        QFile file(QStringLiteral(":/icons/%1x%1/voice-player.png").arg(size));
        if (!file.open(QIODevice::ReadOnly))
            continue; // a test's window, built without the resources
        QImageReader png(&file, "png");
        png.setAutoDetectImageFormat(false);
        icon.addPixmap(QPixmap::fromImage(png.read()));
    }
    return icon;
}

} // namespace

SarvikForm::SarvikForm(Platform &platform, SamplePlayer &player, QWidget *parent)
    : QWidget(parent,
              Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                  | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , m_platform(platform)
    , m_player(player)
{
    setWindowTitle(QStringLiteral("Voice Player"));
    setWindowIcon(windowIcons());
    QFont dialogFont = font();
    dialogFont.setPointSize(8);
    setFont(dialogFont);
    QPalette p = palette();
    p.setColor(QPalette::Window, WindowColour);
    setPalette(p);
    setAutoFillBackground(true);
    setFixedSize(twipsRect(0, 0, 10305, 7590).size());

    // Created in tab order, so the focus chain needs no further sorting.
    createFrame();
    createButtons();
    createLists();
    createPhraseBox();
    createPlayOnClick();
    describeControls();
    connectLists();
    connectPlayButton();
}

SarvikForm::~SarvikForm() = default;

void SarvikForm::createFrame()
{
    SelectFrame = new QFrame(this);
    SelectFrame->setGeometry(twipsRect(30, 0, 6915, 7035));
    SelectFrame->setFrameShape(QFrame::NoFrame);
    QPalette p = SelectFrame->palette();
    p.setColor(QPalette::Window, FrameColour);
    p.setColor(QPalette::WindowText, Qt::black);
    SelectFrame->setPalette(p);
    SelectFrame->setAutoFillBackground(true);
    SelectFrame->setCursor(Qt::WhatsThisCursor);
    SelectFrame->setToolTip(QStringLiteral("Corvex Tools. ( Double click for Editor.! )"));
}

void SarvikForm::createButtons()
{
    ClearButton = new CommandButton(tr("Clear"), SelectFrame);
    ClearButton->setGeometry(twipsRect(3480, 2730, 795, 435));
    PlayButton = new CommandButton(tr("Play"), SelectFrame);
    PlayButton->setGeometry(twipsRect(4320, 2730, 795, 435));
    for (QPushButton *button : { ClearButton, PlayButton }) {
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::ClickFocus);
        button->setCursor(Qt::ArrowCursor);
    }
}

void SarvikForm::createLists()
{
    for (int index : ListTabOrder) {
        const ListPlace &place = ListPlaces[index];
        auto *list = new VoiceList(SelectFrame);
        list->setGeometry(twipsRect(place.left, place.top, ListWidth, place.height));
        list->addItem(QString::fromLatin1(place.placeholder));
        Voices[index] = list;
    }
    // The first list has the focus when the window appears, and already
    // wears the colour that focus gives.
    Voices[0]->setBackColor(FocusBackColor);
    Voices[0]->setFocus();
}

void SarvikForm::createPlayOnClick()
{
    PLayOnClick = new QCheckBox(tr("Play on click"), SelectFrame);
    QRect place = twipsRect(5400, 2970, 1215, 195);
    // The width in twips was made for a narrower font; a clipped caption
    // helps no one, and there is room up to the frame's edge.
    place.setWidth(std::max(place.width(), PLayOnClick->sizeHint().width()));
    PLayOnClick->setGeometry(place);
    PLayOnClick->setChecked(true);
    PLayOnClick->setFocusPolicy(Qt::ClickFocus);
    PLayOnClick->setCursor(Qt::ArrowCursor);
}

void SarvikForm::createPhraseBox()
{
    // A plain-text box: pasted or dropped rich text arrives as its text only.
    DirectionsText = new QPlainTextEdit(QStringLiteral("Text1"), SelectFrame);
    DirectionsText->setGeometry(twipsRect(60, 3300, 6765, 3645));
    DirectionsText->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    DirectionsText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    DirectionsText->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Tab leaves the box for the first list instead of typing a tab.
    DirectionsText->setTabChangesFocus(true);
    QFont phraseFont = font();
    phraseFont.setPointSize(12);
    phraseFont.setWeight(QFont::Normal);
    DirectionsText->setFont(phraseFont);
}
