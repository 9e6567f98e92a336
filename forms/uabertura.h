#pragma once
// The splash window, on screen while the main window is built. It takes no
// input. Main thread only.

#include <QWidget>

#include <memory>

class QLabel;

namespace Ui {
class form_abertura;
}

namespace sonterra {

class TScrewPanel;

class Tform_abertura : public QWidget {
    Q_OBJECT
public:
    explicit Tform_abertura(QWidget* parent = nullptr);
    ~Tform_abertura() override;

    QLabel* Image1;
    TScrewPanel* ScrewPanel1;

    // Shows it centred on the primary screen and paints it at once, for a
    // caller that has no message loop running yet.
    void ShowAndPaint();

private:
    void FormCreate();

    std::unique_ptr<Ui::form_abertura> ui_;
};

} // namespace sonterra
