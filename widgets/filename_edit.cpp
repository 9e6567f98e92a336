#include "widgets/filename_edit.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QStringList>
#include <QStyle>
#include <QToolButton>

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

QString RunFileDialog(QWidget* parent, const QString& dir, const QString& qtFilter) {
    return QFileDialog::getOpenFileName(parent, QString(), dir, qtFilter, nullptr,
                                        QFileDialog::DontUseNativeDialog);
}

} // namespace

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
    button_->setFocusPolicy(Qt::NoFocus);
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
