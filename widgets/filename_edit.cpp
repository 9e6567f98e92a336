#include "widgets/filename_edit.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QScreen>
#include <QStringList>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include <algorithm>

namespace sonterra {

QString ToQtFileFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        entries << parts[i] + QStringLiteral(" (") + patterns.simplified() + QLatin1Char(')');
    }
    if (parts.size() % 2 == 1 && !parts.last().isEmpty())
        entries << parts.last(); // a lone pattern with no description
    return entries.join(QStringLiteral(";;"));
}

QString FirstCommandLineItem(const QString& text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] <= QLatin1Char(' '))
        ++i;
    QString item;
    bool quoted = false;
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (c <= QLatin1Char(' ') && !quoted)
            break;
        else
            item += c;
    }
    return item;
}

namespace {

// Qt's chooser opens at a fixed size with its size, type and date columns cut
// ("172...KiB", "MP3...dio"): once a folder is read each of them is made as
// wide as its contents, and the window wide enough to show them beside a
// name column of a useful width.
void FitColumns(QFileDialog& dialog, QTreeView& view) {
    if (!dialog.isVisible())
        return; // measured once it is laid out; see MakeFileDialog
    constexpr int kNameAtLeast = 280;
    QHeaderView* header = view.header();
    header->setStretchLastSection(false);
    int others = 0;
    for (int c = 1; c < header->count(); ++c) {
        if (header->isSectionHidden(c))
            continue;
        view.resizeColumnToContents(c);
        others += header->sectionSize(c);
    }
    const int name =
        std::max(kNameAtLeast, std::min(static_cast<QAbstractItemView&>(view).sizeHintForColumn(0),
                                        2 * kNameAtLeast));
    const int missing = name + others - view.viewport()->width();
    if (missing > 0) {
        int width = dialog.width() + missing;
        if (const QScreen* screen = dialog.screen())
            width = std::min(width, screen->availableGeometry().width());
        dialog.resize(width, dialog.height());
    }
    header->resizeSection(0, std::max(name, view.viewport()->width() - others));
}

QString RunFileDialog(QWidget* parent, const QString& dir, const QString& qtFilter) {
    const std::unique_ptr<QFileDialog> dialog = MakeFileDialog(parent, dir, qtFilter);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return {};
    return dialog->selectedFiles().first();
}

} // namespace

std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* parent, const QString& dir,
                                            const QString& qtFilter) {
    auto dialog = std::make_unique<QFileDialog>(parent, QString(), dir, qtFilter);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setViewMode(QFileDialog::Detail);
    auto* view = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
    auto* model = dialog->findChild<QFileSystemModel*>();
    if (view && model) {
        QFileDialog* d = dialog.get();
        QObject::connect(model, &QFileSystemModel::directoryLoaded, d,
                         [d, view] { FitColumns(*d, *view); });
        QObject::connect(d, &QFileDialog::directoryEntered, d,
                         [d, view] { FitColumns(*d, *view); });
        // The folder may be read before the dialog is shown and laid out.
        QTimer::singleShot(0, d, [d, view] { FitColumns(*d, *view); });
    }
    return dialog;
}

TFilenameEdit::TFilenameEdit(QWidget* parent)
    : QWidget(parent), edit_(new QLineEdit(this)), button_(new QToolButton(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(edit_, 1);
    layout->addWidget(button_);
    button_->setText(QStringLiteral("..."));
    button_->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    button_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    // Reached with Tab right after the field, and pressed with Space.
    button_->setFocusPolicy(Qt::TabFocus);
    button_->setAccessibleName(QStringLiteral("Procurar arquivo"));
    button_->setCursor(Qt::ArrowCursor);
    setFocusProxy(edit_);
    connect(edit_, &QLineEdit::textChanged, this, &TFilenameEdit::textChanged);
    connect(button_, &QToolButton::clicked, this, &TFilenameEdit::browse);
}

QString TFilenameEdit::text() const {
    return edit_->text();
}

void TFilenameEdit::setText(const QString& text) {
    edit_->setText(text);
}

QString TFilenameEdit::FileName() const {
    const QString t = text();
    if (!t.isEmpty() && QFileInfo(t).isFile())
        return t;
    return FirstCommandLineItem(t);
}

void TFilenameEdit::setFilter(const QString& filter) {
    filter_ = filter;
}

void TFilenameEdit::setInitialDir(const QString& dir) {
    initialDir_ = dir;
}

void TFilenameEdit::setDialogFunction(DialogFunction function) {
    dialog_ = std::move(function);
}

void TFilenameEdit::browse() {
    // Start where the current file is, when it is somewhere that exists.
    QString dir = initialDir_;
    const QString current = FileName();
    if (!current.isEmpty()) {
        const QFileInfo info(current);
        if (info.isAbsolute() && info.dir().exists())
            dir = info.absolutePath();
    }
    const QString qtFilter = ToQtFileFilter(filter_);
    const QString picked =
        dialog_ ? dialog_(this, dir, qtFilter) : RunFileDialog(this, dir, qtFilter);
    if (picked.isEmpty())
        return;
    const QString path = QDir::toNativeSeparators(QFileInfo(picked).absoluteFilePath());
    setText(path.contains(QLatin1Char(' ')) ? QLatin1Char('"') + path + QLatin1Char('"') : path);
    edit_->setFocus();
}

} // namespace sonterra
