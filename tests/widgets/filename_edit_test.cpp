#include "widgets/filename_edit.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace sonterra {

namespace {

const QString kProgramFilter = QStringLiteral("Arquivos de áudio|*.mp3;*.wav");

QString MakeFile(const QTemporaryDir& dir, const QString& name) {
    const QString path = dir.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write("ID3");
    return path;
}

} // namespace

TEST(FileFilter, ProgramFilterBecomesQtFilter) {
    EXPECT_EQ(ToQtFileFilter(kProgramFilter), QStringLiteral("Arquivos de áudio (*.mp3 *.wav)"));
    EXPECT_EQ(ToQtFileFilter(QStringLiteral("Sons|*.mp3;*.wav|Todos|*.*")),
              QStringLiteral("Sons (*.mp3 *.wav);;Todos (*.*)"));
    EXPECT_EQ(ToQtFileFilter(QString()), QString());
}

TEST(FilenameEditFileName, ExistingFileIsTakenWhole) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = MakeFile(dir, QStringLiteral("toque de entrada.mp3"));
    TFilenameEdit edit;
    edit.setText(path);
    EXPECT_EQ(edit.FileName(), path);
}

TEST(FilenameEditFileName, OtherTextIsReadAsACommandLine) {
    TFilenameEdit edit;
    edit.setText(QStringLiteral("\"/sons/toque de entrada.mp3\""));
    EXPECT_EQ(edit.FileName(), QStringLiteral("/sons/toque de entrada.mp3"));

    edit.setText(QStringLiteral("/sons/sino.mp3 -volume 3"));
    EXPECT_EQ(edit.FileName(), QStringLiteral("/sons/sino.mp3"));

    edit.setText(QStringLiteral("   /sons/sino.mp3"));
    EXPECT_EQ(edit.FileName(), QStringLiteral("/sons/sino.mp3"));

    edit.setText(QStringLiteral("\"/sons/a b.mp3\" resto"));
    EXPECT_EQ(edit.FileName(), QStringLiteral("/sons/a b.mp3"));

    edit.setText(QStringLiteral("/sons/a b.mp3")); // does not exist: first word only
    EXPECT_EQ(edit.FileName(), QStringLiteral("/sons/a"));

    edit.setText(QString());
    EXPECT_EQ(edit.FileName(), QString());
    edit.setText(QStringLiteral("   "));
    EXPECT_EQ(edit.FileName(), QString());
}

TEST(FilenameEditFileName, QuotedExistingFileLosesItsQuotes) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = MakeFile(dir, QStringLiteral("hino nacional.wav"));
    TFilenameEdit edit;
    edit.setText(QLatin1Char('"') + path + QLatin1Char('"'));
    EXPECT_EQ(edit.FileName(), path);
}

TEST(FilenameEditBrowse, PickedPathGoesIntoTheTextQuotedWhenItHasASpace) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString spaced = MakeFile(dir, QStringLiteral("sinal do recreio.mp3"));
    const QString plain = MakeFile(dir, QStringLiteral("sino.wav"));

    TFilenameEdit edit;
    edit.setFilter(kProgramFilter);
    edit.setInitialDir(dir.path());
    QString seenDir, seenFilter;
    QWidget* seenParent = nullptr;
    QString answer = spaced;
    edit.setDialogFunction([&](QWidget* parent, const QString& d, const QString& f) {
        seenParent = parent;
        seenDir = d;
        seenFilter = f;
        return answer;
    });
    QSignalSpy changed(&edit, &TFilenameEdit::textChanged);

    edit.browse();
    EXPECT_EQ(seenParent, &edit);
    EXPECT_EQ(seenDir, dir.path());
    EXPECT_EQ(seenFilter, QStringLiteral("Arquivos de áudio (*.mp3 *.wav)"));
    EXPECT_EQ(edit.text(), QLatin1Char('"') + spaced + QLatin1Char('"'));
    EXPECT_EQ(edit.FileName(), spaced);
    EXPECT_EQ(changed.count(), 1);

    answer = plain;
    QTest::mouseClick(edit.button(), Qt::LeftButton);
    EXPECT_EQ(edit.text(), plain);
    EXPECT_EQ(edit.FileName(), plain);
    EXPECT_EQ(changed.count(), 2);
}

TEST(FilenameEditBrowse, CancelKeepsTheTextAndStartsWhereTheFileIs) {
    QTemporaryDir dir;
    QTemporaryDir other;
    ASSERT_TRUE(dir.isValid() && other.isValid());
    const QString current = MakeFile(other, QStringLiteral("atual.mp3"));

    TFilenameEdit edit;
    edit.setInitialDir(dir.path());
    edit.setText(current);
    QString seenDir;
    edit.setDialogFunction([&](QWidget*, const QString& d, const QString&) {
        seenDir = d;
        return QString();
    });
    edit.browse();
    EXPECT_EQ(edit.text(), current);
    EXPECT_EQ(QDir(seenDir), QDir(other.path()));
}

TEST(FilenameEdit, TypingReachesTextAndSignal) {
    TFilenameEdit edit;
    QSignalSpy changed(&edit, &TFilenameEdit::textChanged);
    QTest::keyClicks(edit.lineEdit(), QStringLiteral("/a.mp3"));
    EXPECT_EQ(edit.text(), QStringLiteral("/a.mp3"));
    ASSERT_FALSE(changed.isEmpty());
    EXPECT_EQ(changed.last().at(0).toString(), QStringLiteral("/a.mp3"));
    EXPECT_EQ(edit.button()->focusPolicy(), Qt::NoFocus);
}

} // namespace sonterra
