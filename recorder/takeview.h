#pragma once

#include "takefolder.h"

#include <QWidget>

#include <vector>

// A take's waveform with its two cut marks. The mouse drags the nearer
// mark; with the focus, Left and Right move the start mark and Shift+Left
// and Shift+Right the end mark, 10 ms a press. A moved mark is a new cut.
class TakeView : public QWidget
{
    Q_OBJECT

public:
    explicit TakeView(QWidget *parent = nullptr);

    // Shows the take at path cut at cut; nothing when path is empty or
    // does not decode.
    void setTake(const QString &path, const Cut &cut);
    Cut cut() const { return m_cut; }

signals:
    void cutChanged(const Cut &cut);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    qint64 frameAt(double x) const;
    double xOf(qint64 frame) const;
    void moveMark(bool start, qint64 to);

    std::vector<float> m_frames;
    int m_rate = 0;
    Cut m_cut;
    bool m_draggingStart = false;
    bool m_dragging = false;
};
