#pragma once
// A line edit with a browse button that picks a file in a dialog. The text is
// free; FileName() reads it the way the main window needs it. Main thread only.

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class QFileDialog;
class QLineEdit;
class QToolButton;

namespace sonterra {

// "Arquivos de áudio|*.mp3;*.wav" -> "Arquivos de áudio (*.mp3 *.wav)";
// several description|pattern pairs become entries joined by ";;".
QString ToQtFileFilter(const QString& filter);

// The first item of text read as a command line: leading blanks skipped,
// double quotes group and are dropped, the first blank outside them ends it.
QString FirstCommandLineItem(const QString& text);

// The browse dialog, not shown yet: Qt's own (in Portuguese, like the rest),
// detailed view, opening one existing file, as wide as its columns need once
// the folder is read.
std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* parent, const QString& dir,
                                            const QString& qtFilter);

class TFilenameEdit : public QWidget {
    Q_OBJECT
public:
    // Answers the browse dialog: the picked file's full path, empty when cancelled.
    using DialogFunction =
        std::function<QString(QWidget* parent, const QString& dir, const QString& qtFilter)>;

    explicit TFilenameEdit(QWidget* parent = nullptr);

    QString text() const;
    void setText(const QString& text);

    // The text when it names an existing file, else its first command-line item.
    QString FileName() const;

    // The filter as the program writes it: "Description|*.a;*.b".
    void setFilter(const QString& filter);
    QString filter() const { return filter_; }
    void setInitialDir(const QString& dir);
    QString initialDir() const { return initialDir_; }

    // Tests answer the dialog through this instead of a modal run; an empty
    // function restores the real dialog.
    void setDialogFunction(DialogFunction function);

    QLineEdit* lineEdit() const { return edit_; }
    QToolButton* button() const { return button_; }

public Q_SLOTS:
    void browse();

Q_SIGNALS:
    void textChanged(const QString& text);

private:
    QLineEdit* edit_;
    QToolButton* button_;
    QString filter_;
    QString initialDir_;
    DialogFunction dialog_;
};

} // namespace sonterra
