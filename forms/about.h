#pragma once
// The about window: modal, borderless, closed by its OK button (mouse only)
// or any close request; destroyed when closed. Main thread only.

#include <QDialog>
#include <QString>

#include <memory>

class QFrame;
class QLabel;

namespace Ui {
class form_about;
}

namespace sonterra {

class TSRColorButton;

class Tform_about : public QDialog {
    Q_OBJECT
public:
    // Host name of the maker's web site, as Label1 shows it.
    static QString MakerHost();

    // Deletes itself when closed.
    explicit Tform_about(QWidget* owner = nullptr);
    ~Tform_about() override;

    // Creates one owned by owner, runs it modally and frees it.
    static void ShowModalAbout(QWidget* owner);

    QFrame* Panel1;
    QFrame* Panel2;
    QFrame* Panel3;
    QLabel* ProgramIcon;
    QLabel* ProductName;
    QLabel* Version;
    QLabel* Label1;
    QLabel* Copyright;
    QLabel* Label2;
    QLabel* Comments;
    QLabel* Image1;
    TSRColorButton* SRColorButton1;

    void Label1Click();
    void SRColorButton1Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();

    std::unique_ptr<Ui::form_about> ui_;
};

} // namespace sonterra
