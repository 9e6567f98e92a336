// Editing the weekly schedule in the main window: add, refuse, delete, and
// the weekday tab strip.

#include "core/application.h"
#include "forms/usom_listbox.h"
#include "forms/usom_semana.h"
#include "tests/forms/usom_form_fixture.h"
#include "widgets/filename_edit.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace sonterra::test {
namespace {

class EditTest : public FormTest {
protected:
    void SetUp() override {
        Make();
        form->show();
        edit = W<TFilenameEdit>("FilenameEdit1");
        mask = W<QLineEdit>("MaskEdit1");
        add = W<QPushButton>("BitBtn1");
        speak = W<QCheckBox>("CheckBox1");
        semana = W<TSemanaTabBar>("semana");
        list3 = W<TSortedListBox>("ListBox3");
        list2 = W<TSortedListBox>("ListBox2");
    }

    void Add(const QString& time, const QString& chooser, bool speakTime) {
        mask->setText(time);
        edit->setText(chooser);
        speak->setChecked(speakTime);
        QTest::mouseClick(add, Qt::LeftButton);
    }

    QStringList Today() const {
        QStringList out;
        for (const std::string& l : form->lista_hoje())
            out << QString::fromStdString(l);
        return out;
    }

    TFilenameEdit* edit = nullptr;
    QLineEdit* mask = nullptr;
    QPushButton* add = nullptr;
    QCheckBox* speak = nullptr;
    TSemanaTabBar* semana = nullptr;
    TSortedListBox* list3 = nullptr;
    TSortedListBox* list2 = nullptr;
};

TEST_F(EditTest, AddsWithAndWithoutSpokenTimeByteForByte) {
    // Picked in the dialog, a path with a space arrives quoted.
    const QString sino = QString::fromStdString(prog.path("AUDIO/sino 1.mp3"));
    const QString hino = QString::fromStdString(prog.path("AUDIO/hino.mp3"));
    Add(QStringLiteral("07:30"), QLatin1Char('"') + sino + QLatin1Char('"'), true);
    Add(QStringLiteral("06:15"), hino, false);

    const QByteArray expected =
        "07:30 + " + sino.toUtf8() + "\r\n06:15 - " + hino.toUtf8() + "\r\n";
    EXPECT_EQ(prog.bytes("07.PR2"), expected);
    const QStringList sorted{QStringLiteral("06:15 - ") + hino, QStringLiteral("07:30 + ") + sino};
    EXPECT_EQ(list3->Lines(), sorted);
    // Saturday is today: the dispatcher sees the change at once, in file order.
    EXPECT_EQ(list2->Lines(), sorted);
    EXPECT_EQ(Today(), (QStringList{sorted[1], sorted[0]}));
    EXPECT_TRUE(boxes.boxes.empty());
    // The fields keep their contents.
    EXPECT_EQ(form->MaskEdit1Text(), QStringLiteral("06:15"));
    EXPECT_EQ(edit->text(), hino);
}

TEST_F(EditTest, AddToAnotherDayLeavesTodayAlone) {
    semana->setCurrentIndex(0);
    Add(QStringLiteral("09:00"), QStringLiteral("/sons/domingo.mp3"), false);
    EXPECT_EQ(prog.bytes("01.PR2"), QByteArray("09:00 - /sons/domingo.mp3\r\n"));
    EXPECT_EQ(prog.bytes("07.PR2"), QByteArray("<missing>"));
    EXPECT_EQ(list2->count(), 0);
    EXPECT_TRUE(form->lista_hoje().empty());
}

TEST_F(EditTest, TakenTimeIsRefusedWithItsMessageAndNothingWritten) {
    prog.write("07.PR2", "07:30 - /sons/a.mp3\r\n");
    Add(QStringLiteral("07:30"), QStringLiteral("/sons/b.mp3"), true);

    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Horário já Ocupado - Verifique");
    EXPECT_EQ(boxes.boxes[0].caption, ProgramFileName());
    EXPECT_EQ(boxes.boxes[0].buttons, BoxButtons::Ok);
    EXPECT_EQ(boxes.boxes[0].icon, BoxIcon::None);
    EXPECT_EQ(prog.bytes("07.PR2"), QByteArray("07:30 - /sons/a.mp3\r\n"));

    // A name the day files' code page cannot hold is refused, never saved
    // changed ("sinal_?.wav" would play nothing at its minute).
    missingLetter = "\xD0\xB6"; // ж
    Add(QStringLiteral("08:00"), QString::fromUtf8("/sons/sinal_\xD0\xB6.wav"), true);
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[1].text, "O nome do arquivo escolhido tem letras que a programação não "
                                   "consegue guardar neste computador.\rRenomeie o arquivo e "
                                   "escolha-o de novo.");
    EXPECT_EQ(boxes.boxes[1].buttons, BoxButtons::Ok);
    EXPECT_EQ(prog.bytes("07.PR2"), QByteArray("07:30 - /sons/a.mp3\r\n"));

    // The same time on another day is free.
    semana->setCurrentIndex(1);
    Add(QStringLiteral("07:30"), QStringLiteral("/sons/b.mp3"), true);
    EXPECT_EQ(prog.bytes("02.PR2"), QByteArray("07:30 + /sons/b.mp3\r\n"));
    EXPECT_EQ(boxes.boxes.size(), 2u);
}

TEST_F(EditTest, HalfFilledTimeOrEmptyChooserDoNothing) {
    mask->setText(QString());
    EXPECT_EQ(form->MaskEdit1Text(), QStringLiteral("  :  "));
    Add(QString(), QStringLiteral("/sons/a.mp3"), false);
    Add(QStringLiteral("07:3"), QStringLiteral("/sons/a.mp3"), false);
    EXPECT_EQ(form->MaskEdit1Text(), QStringLiteral("07:3 "));
    Add(QStringLiteral("07:30"), QString(), false);

    EXPECT_EQ(prog.bytes("07.PR2"), QByteArray("<missing>"));
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(list3->count(), 0);
}

TEST_F(EditTest, BlankInsideTheTimeIsStoredAsTyped) {
    mask->setText(QStringLiteral("0 :30"));
    ASSERT_EQ(form->MaskEdit1Text(), QStringLiteral("0 :30"));
    Add(QStringLiteral("0 :30"), QStringLiteral("/sons/a.mp3"), false);
    EXPECT_EQ(prog.bytes("07.PR2"), QByteArray("0 :30 - /sons/a.mp3\r\n"));
}

TEST_F(EditTest, PathWithLineBreakNeverReachesTheDayFile) {
    for (const char* text : {"/sons/a.mp3\r\n07:31 + /sons/forjado.mp3", "\"/sons/a\nb.mp3\""}) {
        mask->setText(QStringLiteral("07:30"));
        edit->lineEdit()->setText(QString::fromUtf8(text));
        form->BitBtn1Click(); // straight in, whatever the line edit keeps
    }
    const QByteArray bytes = prog.bytes("07.PR2");
    EXPECT_FALSE(bytes.contains("forjado")) << bytes.constData();
    EXPECT_FALSE(bytes.contains("a\nb")) << bytes.constData();
}

TEST_F(EditTest, DeletingTheOnlyEntryLeavesAnEmptyFileAndEmptyLists) {
    prog.write("07.PR2", "07:30 + /sons/a.mp3\r\n");
    form->hide();
    form->show(); // lists Saturday again
    ASSERT_EQ(list3->count(), 1);
    form->Atualiza_whoje();
    ASSERT_EQ(list2->count(), 1);

    list3->setCurrentRow(0);
    form->Excluir1->trigger();
    EXPECT_EQ(prog.bytes("07.PR2"), QByteArray(""));
    EXPECT_EQ(list3->count(), 0);
    EXPECT_EQ(list2->count(), 0);
    EXPECT_TRUE(form->lista_hoje().empty());
}

TEST_F(EditTest, DeleteWritesTheRemainingLinesSorted) {
    prog.write("07.PR2", "09:00 - /c.mp3\r\n07:00 - /a.mp3\r\n08:00 - /b.mp3\r\n");
    form->semanaClick();
    list3->setCurrentRow(1); // 08:00
    form->Excluir1->trigger();
    EXPECT_EQ(prog.bytes("07.PR2"), QByteArray("07:00 - /a.mp3\r\n09:00 - /c.mp3\r\n"));
}

TEST_F(EditTest, SecondDeleteWithNothingChosenDoesNothing) {
    prog.write("07.PR2", "07:00 - /a.mp3\r\n08:00 - /b.mp3\r\n09:00 - /c.mp3\r\n");
    form->semanaClick();
    list3->setCurrentRow(0);
    list3->setFocus();
    form->Excluir1->trigger();
    ASSERT_EQ(prog.bytes("07.PR2"), QByteArray("08:00 - /b.mp3\r\n09:00 - /c.mp3\r\n"));
    // Qt would move the choice to the next row by itself.
    EXPECT_EQ(list3->currentItem(), nullptr);
    EXPECT_TRUE(list3->selectedItems().isEmpty());

    form->Excluir1->trigger();
    EXPECT_EQ(prog.bytes("07.PR2"), QByteArray("08:00 - /b.mp3\r\n09:00 - /c.mp3\r\n"));
    EXPECT_EQ(list3->count(), 2);
}

TEST_F(EditTest, PlayAndDeleteWithNothingSelectedDoNothing) {
    prog.write("07.PR2", "07:00 - /a.mp3\r\n");
    form->semanaClick();
    list3->clearSelection();
    list3->setCurrentItem(nullptr);
    form->Excluir1->trigger();
    form->Play1->trigger();
    EXPECT_EQ(prog.bytes("07.PR2"), QByteArray("07:00 - /a.mp3\r\n"));
    EXPECT_EQ(list3->count(), 1);
}

TEST_F(EditTest, ListsSortIgnoringCase) {
    prog.write("07.PR2",
               "07:00 - /b.mp3\r\n07:00 - /A.mp3\r\n07:00 - /a.mp3\r\n06:59 - /z.mp3\r\n");
    form->semanaClick();
    EXPECT_EQ(list3->Lines(),
              (QStringList{QStringLiteral("06:59 - /z.mp3"), QStringLiteral("07:00 - /A.mp3"),
                           QStringLiteral("07:00 - /a.mp3"), QStringLiteral("07:00 - /b.mp3")}));
}

TEST_F(EditTest, ArrowKeysWrapAndReloadTheDay) {
    prog.write("01.PR2", "09:00 - /domingo.mp3\r\n");
    prog.write("06.PR2", "10:00 - /sexta.mp3\r\n");
    prog.write("07.PR2", "11:00 - /sabado.mp3\r\n");
    ASSERT_EQ(semana->currentIndex(), 6);
    ASSERT_EQ(semana->tabText(6), QStringLiteral("Sábado"));

    QTest::keyClick(semana, Qt::Key_Right);
    EXPECT_EQ(semana->currentIndex(), 0);
    EXPECT_EQ(list3->Lines(), QStringList{QStringLiteral("09:00 - /domingo.mp3")});

    QTest::keyClick(semana, Qt::Key_Left);
    EXPECT_EQ(semana->currentIndex(), 6);
    EXPECT_EQ(list3->Lines(), QStringList{QStringLiteral("11:00 - /sabado.mp3")});

    QTest::keyClick(semana, Qt::Key_Up);
    EXPECT_EQ(semana->currentIndex(), 5);
    EXPECT_EQ(list3->Lines(), QStringList{QStringLiteral("10:00 - /sexta.mp3")});

    QTest::keyClick(semana, Qt::Key_Down);
    QTest::keyClick(semana, Qt::Key_Down);
    EXPECT_EQ(semana->currentIndex(), 0);
    EXPECT_EQ(list3->Lines(), QStringList{QStringLiteral("09:00 - /domingo.mp3")});
}

TEST_F(EditTest, MouseSelectsADayButTheProgramsSelectionIsSilent) {
    prog.write("02.PR2", "09:00 - /segunda.mp3\r\n");
    prog.write("07.PR2", "11:00 - /sabado.mp3\r\n");
    form->semanaClick();

    semana->setCurrentIndex(1);
    EXPECT_EQ(list3->Lines(), QStringList{QStringLiteral("11:00 - /sabado.mp3")});

    QTest::mouseClick(semana, Qt::LeftButton, {}, semana->tabRect(1).center());
    EXPECT_EQ(list3->Lines(), QStringList{QStringLiteral("09:00 - /segunda.mp3")});
}

TEST_F(EditTest, UnreadableDayFileGoesToTheErrorBoxAndTheListsStay) {
    QDir(QString::fromStdString(prog.folder())).mkdir(QStringLiteral("02.PR2"));
    semana->setCurrentIndex(1);
    Add(QStringLiteral("07:30"), QStringLiteral("/sons/a.mp3"), false);

    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].icon, BoxIcon::Error);
    EXPECT_EQ(boxes.boxes[0].caption, ProgramFileName());
    EXPECT_NE(boxes.boxes[0].text.find(prog.path("02.PR2")), std::string::npos)
        << boxes.boxes[0].text;
    EXPECT_TRUE(QDir(QString::fromStdString(prog.path("02.PR2"))).exists());
}

} // namespace
} // namespace sonterra::test
