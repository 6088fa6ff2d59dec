#pragma once
// An activity lamp: a filled circle in one colour.
#include <QColor>
#include <QWidget>

constexpr QRgb LampGreen = 0x00FF00;
constexpr QRgb LampGrey = 0xE0E0E0;

class LampShape : public QWidget {
    Q_OBJECT
public:
    explicit LampShape(QWidget* parent = nullptr);
    void setColor(QColor color);
    QColor color() const { return color_; }
    QSize sizeHint() const override { return {18, 18}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color_{LampGrey};
};
