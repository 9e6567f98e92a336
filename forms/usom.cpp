#include "forms/usom.h"

#include "audio/udarvobass.h"
#include "core/application.h"
#include "core/datetime_text.h"
#include "core/format_settings.h"
#include "core/funcoes.h"
#include "core/message_box.h"
#include "core/system_text.h"
#include "forms/about.h"
#include "forms/usom_listbox.h"
#include "forms/usom_semana.h"
#include "schedule/file_system.h"
#include "schedule/schedule_files.h"
#include "ui_usom.h"
#include "widgets/filename_edit.h"
#include "widgets/fit_text.h"
#include "widgets/focus_ring.h"
#include "widgets/qt_message_box.h"
#include "widgets/qt_system_text.h"
#include "widgets/rx_clock.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>
#include <QScopedValueRollback>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QToolButton>

#include <algorithm>
#include <exception>

namespace sonterra {

namespace {

// Lines and paths are the system's narrow text: UTF-8 on Linux, the ANSI
// code page on Windows. The program's own texts are UTF-8 (core/system_text.h).
QString FromText(const std::string& s) {
    return FromSystemText(s);
}
std::string ToText(const QString& s) {
    return ToSystemText(s);
}

QStringList ToQStringList(const Lines& lines) {
    QStringList out;
    out.reserve(static_cast<qsizetype>(lines.size()));
    for (const std::string& line : lines)
        out << FromText(line);
    return out;
}

// A line break in a path would end the entry line early and forge another.
bool HasLineBreak(const QString& s) {
    return s.contains(QLatin1Char('\r')) || s.contains(QLatin1Char('\n'));
}

} // namespace

TForm1::TForm1(QWidget* parent) : TForm1(TForm1Seams{}, parent) {}

TForm1::TForm1(TForm1Seams seams, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::TForm1>()),
      clock_(seams.clock ? *seams.clock : SystemClock()),
      trayAvailable_(seams.trayAvailable
                         ? std::move(seams.trayAvailable)
                         : std::function<bool()>(&QSystemTrayIcon::isSystemTrayAvailable)),
      systemTextHolds_(seams.systemTextHolds
                           ? std::move(seams.systemTextHolds)
                           : std::function<bool(const std::string&)>(&SystemTextHolds)) {
    BuildControls();
    // The players and the engine exist with the window; FormCreate sets them up.
    player_toque = new TDarvoBass(this);
    player_hora = new TDarvoBass(this);
    scheduler_ =
        std::make_unique<TScheduler>(clock_, *player_toque, *player_hora, *this, ProgramFolder(),
                                     ProgramFileName(), std::move(seams.timer));
    scheduler_->SetMinuteRecord(seams.minutesRung);
    ConnectHandlers();
    Guarded([this] { FormCreate(); });
}

TForm1::~TForm1() {
    scheduler_.reset(); // before the players it refers to
}

void TForm1::BuildControls() {
    ui->setupUi(this);
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint;
    // Hiding means minimising where the desktop has no notification area, and
    // some window managers refuse to minimise a window that offers no button.
    if (!TrayAvailable())
        flags |= Qt::WindowMinimizeButtonHint;
    setWindowFlags(flags);
    setFixedSize(609, 530);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    ui->FilenameEdit1->setFilter(QStringLiteral("Arquivos de áudio|*.mp3;*.wav"));
    ui->RxClock1->setClock(clock_);

    QStyle* st = style();
    ui->BitBtn1->setIcon(st->standardIcon(QStyle::SP_DialogApplyButton));
    ui->BitBtn2->setIcon(st->standardIcon(QStyle::SP_MediaPlay));
    ui->BitBtn3->setIcon(st->standardIcon(QStyle::SP_DialogCloseButton));

    const QPixmap logo(QStringLiteral(":/logo.jpg"));
    ui->Image1->setPixmap(logo);
    ui->Image1->installEventFilter(this);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    Play1 = PopupMenu1->addAction(QStringLiteral("Play"));
    Play1->setObjectName(QStringLiteral("Play1"));
    PopupMenu1->addSeparator();
    Excluir1 = PopupMenu1->addAction(QStringLiteral("Excluir"));
    Excluir1->setObjectName(QStringLiteral("Excluir1"));

    SetUpKeyboardAndNames();

    const QIcon icon(QStringLiteral(":/sonterra.png"));
    setWindowIcon(icon);
    RxTrayIcon1 = new QSystemTrayIcon(icon, this);
    RxTrayIcon1->setObjectName(QStringLiteral("RxTrayIcon1"));
    RxTrayIcon1->setToolTip(QStringLiteral("Quorvel Sonterra"));
    RxTrayIcon1->show();

    // The boxes are measured for a narrow font the desktop may not have.
    FitTextsToTheirBoxes(this);
}

void TForm1::SetUpKeyboardAndNames() {
    // Names for assistive technology where a control has no caption of its own.
    ui->FilenameEdit1->lineEdit()->setAccessibleName(QStringLiteral("Arquivo de áudio"));
    ui->FilenameEdit1->button()->setAccessibleName(QStringLiteral("Procurar arquivo de áudio"));
    ui->MaskEdit1->setAccessibleName(QStringLiteral("Horário"));
    ui->RxClock1->setAccessibleName(QStringLiteral("Relógio"));
    // A tab strip is named after its current tab; this says what it chooses.
    ui->semana->setAccessibleDescription(QStringLiteral("Dia da semana"));
    ui->ListBox3->setAccessibleName(QStringLiteral("Programação do dia"));
    ui->ListBox2->setAccessibleName(QStringLiteral("Programação para hoje"));
    ui->Image1->setAccessibleName(QStringLiteral("Sobre o Sonterra"));

    // Today's list is only read, but a reader must be able to reach it; the
    // logo opens the about window with Enter or Space as with a click.
    ui->ListBox2->setFocusPolicy(Qt::TabFocus);
    ui->Image1->setFocusPolicy(Qt::TabFocus);

    // Top to bottom, left to right within a row, the folder button after its field.
    tabOrder_ = {ui->PageControl1->tabBar(),
                 ui->FilenameEdit1->lineEdit(),
                 ui->FilenameEdit1->button(),
                 ui->BitBtn2,
                 ui->MaskEdit1,
                 ui->BitBtn1,
                 ui->CheckBox1,
                 ui->semana,
                 ui->ListBox3,
                 ui->ListBox2,
                 ui->Button1,
                 ui->Button2,
                 ui->Image1,
                 ui->BitBtn3};
    new TFocusRing(this);
}

void TForm1::ConnectHandlers() {
    const auto on = [this](auto* sender, auto signal, void (TForm1::*handler)()) {
        connect(sender, signal, this,
                [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
    };
    on(ui->BitBtn1, &QPushButton::clicked, &TForm1::BitBtn1Click);
    on(ui->BitBtn2, &QPushButton::clicked, &TForm1::BitBtn2Click);
    on(ui->BitBtn3, &QPushButton::clicked, &TForm1::BitBtn3Click);
    on(ui->Button1, &QPushButton::clicked, &TForm1::Button1Click);
    on(ui->Button2, &QPushButton::clicked, &TForm1::Button2Click);
    on(ui->semana, &TSemanaTabBar::semanaClick, &TForm1::semanaClick);
    on(Play1, &QAction::triggered, &TForm1::Play1Click);
    on(Excluir1, &QAction::triggered, &TForm1::Excluir1Click);

    connect(ui->ListBox3, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        PopupMenu1->popup(ui->ListBox3->viewport()->mapToGlobal(pos));
    });
    // Left and right click alike; the icon has no menu of its own.
    connect(RxTrayIcon1, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context)
                    Guarded([this] { RxTrayIcon1Click(); });
            });
}

void TForm1::Guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        ShowErrorBox(QString::fromUtf8(e.what()));
    }
}

void TForm1::SetupPlayer(TDarvoBass& player) {
    player.InitDevice(1, false, reinterpret_cast<void*>(winId()), false);
    player.SelectDevice(1);
    player.ManualUpdate = false;
    player.BufferLength = 3000;
    player.SetVolume(100);
}

void TForm1::FormCreate() {
    FormatSettings& fs = CurrentFormatSettings();
    fs.DateSeparator = "/";
    fs.ShortDateFormat = "dd/mm/yyyy";
    fs.ShortTimeFormat = "HH:mm:ss";
    fs.TimeSeparator = ":";

    SetApplicationTitle(SystemTextToUtf8(ProgramFileName()));

    player_toque->OnStop = [this](AudioPlayer&) { pStop(); };
    SetupPlayer(*player_toque);
    SetupPlayer(*player_hora);

    ui->ListBox3->clear();
    scheduler_->RestoreState();

    const DateTime now = clock_.Now();
    ui->MaskEdit1->setText(FromText(TimeOfDayKey(now)));
    Atualiza_whoje();
    setWindowTitle(QString::fromUtf8(kMainWindowTitle));

    const std::string folder = ProgramFolder();
    EnsureFolders(folder);
    // A write cut short by a crash or a power cut left its temporary file.
    RemoveStaleTemporaries(folder);
    ui->FilenameEdit1->setInitialDir(FromText(AudioFolder(folder)));
}

void TForm1::FormShow() {
    ui->semana->setCurrentIndex(DayOfWeek(clock_.Now()) - 1); // silent: not the operator's
    semanaClick();
    ui->VrLabel3->setText(QStringLiteral("Quorvel SONTERRA"));
    setWindowTitle(QString::fromUtf8(kMainWindowTitle));
}

void TForm1::semanaClick() {
    const int n = ui->semana->currentIndex() + 1;
    ui->ListBox3->clear();
    const Lines lines = LoadDay(ProgramFolder(), n);
    if (!lines.empty())
        ui->ListBox3->AddLines(ToQStringList(lines));
}

QString TForm1::MaskEdit1Text() const {
    QString text = ui->MaskEdit1->displayText();
    text.replace(QLatin1Char('_'), QLatin1Char(' '));
    return text;
}

void TForm1::BitBtn1Click() {
    const int n = ui->semana->currentIndex() + 1;
    const QString time = MaskEdit1Text();
    if (time.trimmed().size() != 5)
        return;
    if (ui->FilenameEdit1->text().isEmpty())
        return;
    const QString path = ui->FilenameEdit1->FileName();
    if (HasLineBreak(path))
        return; // refused like an empty chooser
    // Saved in another letter, the name would point at no file and the
    // minute would pass in silence.
    if (!systemTextHolds_(path.toStdString())) {
        ShowMessage("O nome do arquivo escolhido tem letras que a programação não consegue guardar "
                    "neste computador.\rRenomeie o arquivo e escolha-o de novo.");
        return;
    }

    Lines written;
    const AddResult result = AddEntry(ProgramFolder(), n, ToText(time), ui->CheckBox1->isChecked(),
                                      ToText(path), written);
    if (result == AddResult::TimeTaken) {
        ShowMessage("Horário já Ocupado - Verifique");
        return;
    }
    FillListBox3(written);
    Atualiza_whoje();
}

void TForm1::FillListBox3(const Lines& lines) {
    ui->ListBox3->clear();
    ui->ListBox3->AddLines(ToQStringList(lines));
}

void TForm1::ToggleTestPlay(const std::string& path) {
    if (!player_toque || !FileExists(path))
        return;
    if (player_toque->IsPlaying()) {
        player_toque->Stop(); // fires OnStop: pStop may speak the time
    } else {
        player_toque->CloseStream();
        player_toque->LoadFile(path);
        player_toque->Play();
    }
}

void TForm1::BitBtn2Click() {
    ToggleTestPlay(ToText(ui->FilenameEdit1->FileName()));
}

void TForm1::Play1Click() {
    const QListWidgetItem* item = ui->ListBox3->currentItem();
    if (!item || !item->isSelected())
        return;
    ToggleTestPlay(EntryAudioPath(ToText(item->text())));
}

void TForm1::Excluir1Click() {
    const int n = ui->semana->currentIndex() + 1;
    QListWidgetItem* item = ui->ListBox3->currentItem();
    if (!item || !item->isSelected())
        return;
    delete ui->ListBox3->takeItem(ui->ListBox3->row(item));
    // Qt moves the choice to the next row; a second "Excluir" would delete an
    // entry nobody chose.
    ui->ListBox3->setCurrentItem(nullptr);
    ui->ListBox3->clearSelection();
    Lines remaining;
    for (const QString& line : ui->ListBox3->Lines())
        remaining.push_back(ToText(line));
    WriteDay(ProgramFolder(), n, remaining);
    Atualiza_whoje();
}

void TForm1::RxTrayIcon1Click() {
    trayKnown_.reset();
    const bool wasHidden = isHidden();
    const bool wasMinimized = isMinimized();
    if (wasMinimized) {
        const QScopedValueRollback<bool> restoring(restoring_, true);
        setWindowState(windowState() & ~Qt::WindowMinimized);
    }
    if (wasHidden)
        show(); // becoming visible runs FormShow
    else if (wasMinimized)
        FormShow(); // minimised stands for hidden where there is no notification area
    raise();
    activateWindow();
    scheduler_->SetKeepHidden(false);
    SetActivateCaption(scheduler_->Active() ? "OK" : "Ativar");
}

void TForm1::BitBtn3Click() {
    close();
}

void TForm1::Image1Click() {
    Tform_about::ShowModalAbout(this);
}

void TForm1::Button1Click() {
    scheduler_->Activate();
}

void TForm1::Button2Click() {
    scheduler_->Deactivate();
}

void TForm1::pStop() {
    scheduler_->BellStopped();
}

void TForm1::Atualiza_whoje() {
    scheduler_->ReloadToday();
}

void TForm1::FormClose(QCloseEvent* event) {
    if (!ConfirmBox("Deseja Sair do Sonterra ??")) {
        event->ignore();
        return;
    }
    scheduler_->SetActive(false);
    delete player_toque;
    player_toque = nullptr;
    delete player_hora;
    player_hora = nullptr;
    RxTrayIcon1->hide();
    event->accept();
    // Not quit(): that would ask every window to close again.
    QCoreApplication::exit(0);
}

void TForm1::QuitWithoutAsking() {
    // A question or a chooser still open returns into its handler when the
    // loops end: answered "no" now, as Esc would, that handler does nothing.
    // The players stay until the window goes, in case one still reaches them.
    for (int open = 0; open < 8; ++open) {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            break;
        dialog->reject();
    }
    scheduler_->SetActive(false);
    RxTrayIcon1->hide();
    hide();
    QCoreApplication::exit(0);
}

// SchedulerWindow

bool TForm1::TrayAvailable() const {
    if (!trayKnown_)
        trayKnown_ = trayAvailable_();
    return *trayKnown_;
}

void TForm1::HideWindow() {
    // Asking costs a round trip to the desktop; every 30 s is soon enough to
    // bring a hidden window back should the notification area go away.
    constexpr int kTrayRecheckRequests = 60;
    if (++hideRequests_ % kTrayRecheckRequests == 0)
        trayKnown_.reset();
    // With no notification area a hidden window could never come back.
    if (TrayAvailable())
        hide();
    else if (!isMinimized())
        showMinimized();
}

bool TForm1::IndicatorVisible() const {
    return !ui->Label2->isHidden();
}

void TForm1::SetIndicatorVisible(bool visible) {
    ui->Label2->setVisible(visible);
}

void TForm1::SetActivateCaption(const std::string& caption) {
    ui->Button1->setText(QString::fromUtf8(caption));
}

void TForm1::ShowToday(const Lines& lines) {
    ui->ListBox2->clear();
    if (!lines.empty())
        ui->ListBox2->AddLines(ToQStringList(lines));
}

// Events

bool TForm1::focusNextPrevChild(bool next) {
    // The window's own order; a control of the hidden page is passed over.
    const auto at = std::find(tabOrder_.begin(), tabOrder_.end(), QApplication::focusWidget());
    if (at == tabOrder_.end())
        return QWidget::focusNextPrevChild(next);
    const auto count = static_cast<qsizetype>(tabOrder_.size());
    qsizetype i = at - tabOrder_.begin();
    for (qsizetype step = 1; step < count; ++step) {
        i = (i + (next ? 1 : count - 1)) % count;
        QWidget* w = tabOrder_[static_cast<std::size_t>(i)];
        if (w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) {
            w->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return true;
}

void TForm1::showEvent(QShowEvent* event) {
    trayKnown_.reset();
    QWidget::showEvent(event);
    if (!event->spontaneous())
        Guarded([this] { FormShow(); });
}

void TForm1::closeEvent(QCloseEvent* event) {
    FormClose(event);
}

void TForm1::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    trayKnown_.reset();
    // A minimised window is seen by nobody: the blink and the lists change
    // under it unpainted, and it paints once when restored.
    setUpdatesEnabled(!isMinimized());
    if (restoring_ || TrayAvailable())
        return;
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    const bool wasMinimized = change->oldState() & Qt::WindowMinimized;
    if (wasMinimized && !isMinimized() && !isHidden()) {
        // Restored from the task bar: what the icon's click does, FormShow included.
        Guarded([this] {
            FormShow();
            RxTrayIcon1Click();
        });
    }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->Image1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
            Guarded([this] { Image1Click(); });
            return true;
        }
    }
    if (watched == ui->Image1 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Guarded([this] { Image1Click(); });
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace sonterra
