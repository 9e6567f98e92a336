#pragma once
// A grey 3-D panel with a screw head in each corner and a caption centred on
// one line. Decoration only.

#include <QColor>
#include <QFrame>
#include <QString>

namespace sonterra {

class TScrewPanel : public QFrame {
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
    Q_PROPERTY(QColor color READ color WRITE setColor)
public:
    static constexpr int kScrewBox = 8;    // screw size 2
    static constexpr int kScrewMargin = 2; // from the panel's edges

    explicit TScrewPanel(QWidget* parent = nullptr);

    QString caption() const { return caption_; }
    void setCaption(const QString& caption);
    QColor color() const { return color_; }
    void setColor(const QColor& color);

    // Where the four screws sit, for the current size.
    QRect screwRect(int corner) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString caption_;
    QColor color_{140, 140, 140};
};

} // namespace sonterra
