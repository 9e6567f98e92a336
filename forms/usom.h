#pragma once
// The main window Form1: the weekly schedule editor, today's list, the test
// play, activation and the notification-area icon. It owns the two players
// and the scheduler engine for the whole run. Main thread only.

#include "core/clock.h"
#include "schedule/phased_timer.h"
#include "schedule/scheduler.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QMenu;
class QAction;
class QSystemTrayIcon;

namespace Ui {
class TForm1;
}

namespace sonterra {

class TDarvoBass;

// What a test may put in place of the wall clock, the 500 ms timer and the
// desktop's notification area; and where the minutes rung are kept.
struct TForm1Seams {
    Clock* clock = nullptr;              // null: the system clock
    std::unique_ptr<TickTimer> timer;    // null: the wall-clock phased timer
    std::function<bool()> trayAvailable; // empty: ask the desktop
    // Whether the day files' text holds a UTF-8 name; empty: SystemTextHolds.
    std::function<bool(const std::string&)> systemTextHolds;
    RungMinuteRecord* minutesRung = nullptr; // the running copy's guard; null: nowhere
};

class TForm1 : public QWidget, public SchedulerWindow {
    Q_OBJECT
public:
    // Builds the window from usom.ui and runs FormCreate; an error inside
    // FormCreate is shown in the error box and ends FormCreate there.
    explicit TForm1(QWidget* parent = nullptr);
    explicit TForm1(TForm1Seams seams, QWidget* parent = nullptr);
    ~TForm1() override;

    // Handlers, named after their control and event.
    void FormCreate();
    void FormShow();
    void semanaClick();
    void BitBtn1Click();
    void BitBtn2Click();
    void Play1Click();
    void Excluir1Click();
    void RxTrayIcon1Click();
    void BitBtn3Click();
    void Image1Click();
    void Button1Click();
    void Button2Click();
    // The bell player's OnStop and today's reload, done by the scheduler
    // engine; Timer1's tick is TScheduler::Tick, run by its phased timer.
    void pStop();
    void Atualiza_whoje();
    // Ends the program as a confirmed "Sair" does, without the question: the
    // setup program asked it already.
    void QuitWithoutAsking();

    // The engine's state under the window's own names.
    const Lines& lista_hoje() const { return scheduler_->Today(); }
    const std::string& arquivo_hoje() const { return scheduler_->TodayFile(); }
    const std::string& ultimo_minuto() const { return scheduler_->LastMinute(); }
    bool ocultar() const { return scheduler_->KeepHidden(); }

    // The time field's text as the program reads it: blank positions are
    // spaces, so the empty field reads "  :  ".
    QString MaskEdit1Text() const;

    TScheduler& Scheduler() { return *scheduler_; }

    // Owned by this window; freed (and nulled) when the closing is confirmed.
    TDarvoBass* player_toque = nullptr;
    TDarvoBass* player_hora = nullptr;
    QSystemTrayIcon* RxTrayIcon1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* Play1 = nullptr;
    QAction* Excluir1 = nullptr;

    // SchedulerWindow
    void HideWindow() override;
    bool IndicatorVisible() const override;
    void SetIndicatorVisible(bool visible) override;
    void SetActivateCaption(const std::string& caption) override;
    void ShowToday(const Lines& lines) override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Tab and Shift+Tab follow tabOrder_.
    bool focusNextPrevChild(bool next) override;

private:
    void BuildControls();
    // Tab order, focus ring and the names assistive technology reads.
    void SetUpKeyboardAndNames();
    void ConnectHandlers();
    void SetupPlayer(TDarvoBass& player);
    // Play or stop on player_toque: stop when it plays, else load and play path.
    void ToggleTestPlay(const std::string& path);
    void FillListBox3(const Lines& lines);
    // Whether the desktop has a notification area, asked again only after
    // something changed (the window shown, minimised or restored, the icon
    // clicked) and now and then while the schedule keeps the window away.
    bool TrayAvailable() const;
    void FormClose(QCloseEvent* event);
    // Runs a handler; an error it raises goes to the error box.
    void Guarded(const std::function<void()>& handler);

    std::unique_ptr<Ui::TForm1> ui;
    Clock& clock_;
    std::function<bool()> trayAvailable_;
    std::function<bool(const std::string&)> systemTextHolds_;
    std::unique_ptr<TScheduler> scheduler_;
    bool restoring_ = false; // RxTrayIcon1Click is restoring the window itself
    mutable std::optional<bool> trayKnown_;
    int hideRequests_ = 0;
    std::vector<QWidget*> tabOrder_;
};

} // namespace sonterra
