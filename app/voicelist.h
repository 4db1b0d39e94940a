#pragma once

#include <QListWidget>

// One member of the Voices array: a plain single-selection list whose rows
// are all one fixed height, so that a list sized for its entries shows
// every one of them without a scroll bar.
class VoiceList : public QListWidget
{
    Q_OBJECT

public:
    static constexpr int RowHeight = 13;

    explicit VoiceList(QWidget *parent = nullptr);

    void setBackColor(const QColor &colour);
};
