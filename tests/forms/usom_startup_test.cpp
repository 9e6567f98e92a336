// The start-up sequence and the error box of the message loop.

#include "app/startup.h"
#include "core/application.h"
#include "core/single_instance.h"
#include "forms/uabertura.h"
#include "forms/usom.h"
#include "tests/forms/usom_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace sonterra::test {
namespace {

QList<QWidget*> VisibleSplashes() {
    QList<QWidget*> out;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<Tform_abertura*>(w) && w->isVisible())
            out << w;
    return out;
}

TEST(Startup, RefusedCheckEndsWithZeroAndTouchesNothing) {
    TempProgramFolder prog;
    BoxRecorder boxes;
    const auto before = QApplication::topLevelWidgets().size();
    bool built = false;
    const int status = RunStartup([] { return false; },
                                  [&] {
                                      built = true;
                                      return std::make_unique<QWidget>();
                                  });
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(built);
    EXPECT_EQ(QApplication::topLevelWidgets().size(), before);
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(prog.path("AUDIO"))));
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(prog.path("HORA"))));
}

TEST(Startup, ASecondCopyOfTheFolderShowsTheRunningOneAndMakesNothing) {
    TempProgramFolder prog;
    BoxRecorder boxes;
    SingleInstance running(prog.folder()); // as a copy started earlier
    ASSERT_TRUE(running.IsFirst());
    std::atomic<int> shown{0};
    running.WatchRequests([&shown] { ++shown; }, [] {});
    const auto before = QApplication::topLevelWidgets().size();
    bool built = false;
    const int status = RunStartup([] { return true; },
                                  [&] {
                                      built = true;
                                      return std::make_unique<QWidget>();
                                  });
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(built);
    EXPECT_EQ(QApplication::topLevelWidgets().size(), before); // no splash either
    // Only the running copy's lock.
    EXPECT_EQ(QDir(QString::fromStdString(prog.folder()))
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral(".sonterra.lock")});
    EXPECT_TRUE(boxes.boxes.empty());
    for (int i = 0; i < 200 && shown == 0; ++i)
        QThread::msleep(50);
    EXPECT_EQ(shown, 1);
}

TEST(Startup, ACopyOfAnotherAccountRunningIsNamedInABoxInsteadOfVanishing) {
    TempProgramFolder prog;
    BoxRecorder boxes;
    SingleInstance running(prog.folder());
    ASSERT_TRUE(running.IsFirst());
    // As if account number 64011 had started it.
    {
        std::ofstream lock(prog.path(".sonterra.lock"), std::ios::trunc);
        lock << "64011\n";
    }
    bool built = false;
    EXPECT_EQ(RunStartup([] { return true; },
                         [&] {
                             built = true;
                             return std::make_unique<QWidget>();
                         }),
              0);
    EXPECT_FALSE(built);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text,
              "O Sonterra já está aberto com esta programação na conta \"64011\".\r"
              "Só uma cópia toca os sinais: feche-a lá para abri-lo aqui.");
    EXPECT_EQ(RunningElsewhereText(""),
              "O Sonterra já está aberto com esta programação em outra conta.\r"
              "Só uma cópia toca os sinais: feche-a lá para abri-lo aqui.");
}

TEST(Startup, SplashIsOnScreenExactlyWhileTheMainWindowIsBuilt) {
    TempProgramFolder prog;
    SetApplicationTitle("antes");
    int splashesDuringBuild = -1;
    std::string titleDuringBuild;
    QWidget* built = nullptr;
    bool checked = false;
    const int status = RunStartup(
        [&] {
            checked = true;
            EXPECT_TRUE(VisibleSplashes().isEmpty());
            return true;
        },
        [&] {
            splashesDuringBuild = static_cast<int>(VisibleSplashes().size());
            titleDuringBuild = ApplicationTitle();
            auto w = std::make_unique<QWidget>();
            built = w.get();
            QTimer::singleShot(0, w.get(), [&] {
                // First pass of the loop: the main window alone is on screen.
                EXPECT_TRUE(built->isVisible());
                EXPECT_TRUE(VisibleSplashes().isEmpty());
                QCoreApplication::exit(0);
            });
            return w;
        });
    EXPECT_TRUE(checked);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(splashesDuringBuild, 1);
    EXPECT_EQ(titleDuringBuild, "Quorvel - Sonterra");
}

TEST(Startup, TerminationAskedWhileBuildingEndsAtTheFirstPass) {
    TempProgramFolder prog;
    bool shown = false;
    const int status = RunStartup(
        [] { return true; },
        [&] {
            RequestApplicationTerminate();
            auto w = std::make_unique<QWidget>();
            QTimer::singleShot(0, w.get(), [&shown, p = w.get()] { shown = p->isVisible(); });
            return w;
        });
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(shown);
}

TEST(Startup, TheRealMainWindowRunsAndClosesWithZero) {
    TempProgramFolder prog;
    BoxRecorder boxes; // answers the closing question with OK
    const int status =
        RunStartup([] { return true; },
                   [&] {
                       auto form = std::make_unique<TForm1>();
                       EXPECT_EQ(ApplicationTitle(), prog.path("sonterra"));
                       QTimer::singleShot(0, form.get(), [p = form.get()] { p->close(); });
                       return form;
                   });
    EXPECT_EQ(status, 0);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Deseja Sair do Sonterra ??");
    EXPECT_TRUE(QFileInfo(QString::fromStdString(prog.path("HORA"))).isDir());
}

TEST(Startup, TheSetupsQuitRequestEndsTheRealMainWindowWithoutItsQuestion) {
    TempProgramFolder prog;
    BoxRecorder boxes;
    std::thread setup;
    const int status =
        RunStartup([] { return true; },
                   [&] {
                       auto form = std::make_unique<TForm1>();
                       QTimer::singleShot(0, form.get(), [&] {
                           setup = std::thread([&] {
                               EXPECT_TRUE(SingleInstance(prog.folder()).AskRunningCopyToQuit());
                           });
                       });
                       return form;
                   });
    setup.join();
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_TRUE(SingleInstance(prog.folder()).IsFirst()); // the folder is free again
}

TEST(Startup, WithoutAFactoryItBuildsTForm1AsTheMainWindow) {
    TempProgramFolder prog;
    BoxRecorder boxes;
    QString caption;
    // Polls each pass of the loop until the main window is up, then closes it.
    QTimer closer;
    closer.setInterval(0);
    QObject::connect(&closer, &QTimer::timeout, &closer, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (qobject_cast<TForm1*>(w) && w->isVisible()) {
                closer.stop();
                caption = w->windowTitle();
                w->close();
                return;
            }
        }
    });
    closer.start();
    EXPECT_EQ(RunStartup([] { return true; }), 0);
    EXPECT_EQ(caption, QStringLiteral("Quorvel Sonterra V2"));
    EXPECT_EQ(ApplicationTitle(), prog.path("sonterra"));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "Tivra Sistemas");
}

class Throwing : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User)
            throw std::runtime_error("Falha ao gravar /x/07.PR2: Disco cheio");
        return QObject::event(e);
    }
};

TEST(Startup, AnErrorEscapingAHandlerIsShownAndTheLoopGoesOn) {
    TempProgramFolder prog;
    BoxRecorder boxes;
    SetApplicationTitle("/opt/sonterra/sonterra");
    Throwing target;
    QEvent ev(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&target, &ev));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].icon, BoxIcon::Error);
    EXPECT_EQ(boxes.boxes[0].caption, "/opt/sonterra/sonterra");
    EXPECT_EQ(boxes.boxes[0].text, "Falha ao gravar /x/07.PR2: Disco cheio.");

    QEvent again(QEvent::User);
    QCoreApplication::sendEvent(&target, &again);
    EXPECT_EQ(boxes.boxes.size(), 2u);
}

} // namespace
} // namespace sonterra::test
