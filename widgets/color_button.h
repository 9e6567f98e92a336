#pragma once
// A graphic button: a vertical gradient on the button face colour, a black
// border and a bevel. It takes no focus and answers the mouse only.

#include <QColor>
#include <QString>
#include <QWidget>

namespace sonterra {

class TSRColorButton : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
    Q_PROPERTY(QColor color READ color WRITE setColor)
    Q_PROPERTY(int bevelWidth READ bevelWidth WRITE setBevelWidth)
public:
    explicit TSRColorButton(QWidget* parent = nullptr);

    QString caption() const { return caption_; }
    void setCaption(const QString& caption);
    // The face colour; invalid means the palette's button colour.
    QColor color() const { return color_; }
    void setColor(const QColor& color);
    int bevelWidth() const { return bevelWidth_; }
    void setBevelWidth(int width);

    bool isDown() const { return down_; }
    QSize sizeHint() const override;

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString caption_;
    QColor color_;
    int bevelWidth_ = 1;
    bool down_ = false;
    bool pressed_ = false; // left button went down on us and is still held
};

} // namespace sonterra
