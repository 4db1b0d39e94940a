#include "voicelist.h"

#include <QKeyEvent>
#include <QStyledItemDelegate>

namespace {

class FixedRowDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return { QStyledItemDelegate::sizeHint(option, index).width(), VoiceList::RowHeight };
    }
};

int characterCode(const QKeyEvent &event)
{
    // Qt gives the keypad's Enter no text on some platforms.
    if (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter)
        return VoiceList::EnterKeyAscii;
    return event.text().size() == 1 ? event.text().front().unicode() : 0;
}

// Leaving for another application and coming back is not the user moving
// between the window's controls.
bool byTheUser(const QFocusEvent &event)
{
    return event.reason() != Qt::ActiveWindowFocusReason;
}

} // namespace

VoiceList::VoiceList(QWidget *parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSortingEnabled(false);
    setUniformItemSizes(true);
    setItemDelegate(new FixedRowDelegate(this));
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setCursor(Qt::ArrowCursor);
    setToolTip(tr("Select your list"));
    connect(this, &QListWidget::itemSelectionChanged, this, &VoiceList::Click);
}

void VoiceList::setBackColor(const QColor &colour)
{
    QPalette p = palette();
    p.setColor(QPalette::Base, colour);
    setPalette(p);
}

QString VoiceList::selectedText() const
{
    const QList<QListWidgetItem *> selected = selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

void VoiceList::mousePressEvent(QMouseEvent *event)
{
    // Pressing the entry already selected changes no selection, yet the user
    // wants to hear it again.
    const QListWidgetItem *pressed = itemAt(event->position().toPoint());
    const bool again = pressed && pressed->isSelected();
    QListWidget::mousePressEvent(event);
    if (again && pressed->isSelected())
        emit Click();
}

void VoiceList::mouseDoubleClickEvent(QMouseEvent *event)
{
    QListWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit DblClick();
}

void VoiceList::keyPressEvent(QKeyEvent *event)
{
    if (const int code = characterCode(*event))
        emit KeyPress(code);
    QListWidget::keyPressEvent(event);
}

void VoiceList::focusInEvent(QFocusEvent *event)
{
    QListWidget::focusInEvent(event);
    if (byTheUser(*event))
        emit GotFocus();
}

void VoiceList::focusOutEvent(QFocusEvent *event)
{
    QListWidget::focusOutEvent(event);
    if (byTheUser(*event))
        emit LostFocus();
}
