// Cost of one keystroke's synchronisation in the main window: the change
// notification of the focused field, reading its notation, the angle routines
// and the rewriting of the other notations.
#include "Fmain.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include <benchmark/benchmark.h>

namespace {

void SendKey(QLineEdit *field, int key, const QString &text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(field, &press);
    QApplication::sendEvent(field, &release);
}

// A digit typed at the end of the focused field and taken back again: two
// keystrokes, each of which recomputes the other notations of the angle.
void Keystrokes(benchmark::State &state, TfrmMain *window, const char *name) {
    auto *field = window->findChild<QLineEdit *>(name);
    field->setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
    if (!field->hasFocus()) {
        state.SkipWithError("the field did not get the focus");
        return;
    }
    field->end(false);
    for (auto _ : state) {
        SendKey(field, Qt::Key_7, QStringLiteral("7"));
        SendKey(field, Qt::Key_Backspace, QString());
    }
    state.SetItemsProcessed(2 * state.iterations());
}

// The synchronisation alone, without the key handling of the field.
void Sync(benchmark::State &state, TfrmMain *window, void (TfrmMain::*sync)()) {
    for (auto _ : state)
        (window->*sync)();
    state.SetItemsProcessed(state.iterations());
}

} // namespace

int main(int argc, char **argv) {
    // The window is drawn nowhere: the benchmark needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    // Shown and active, so that its fields can hold the keyboard focus.
    TfrmMain window;
    window.show();
    window.activateWindow();
    for (int i = 0; i < 100 && !window.isActiveWindow(); ++i)
        QApplication::processEvents();

    for (const char *name : {"edtLatDd1", "edtLatDmm1", "edtLatDmss1"}) {
        benchmark::RegisterBenchmark(
            (std::string("BM_Keystroke/") + name).c_str(),
            [&window, name](benchmark::State &state) {
                Keystrokes(state, &window, name);
            })
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::RegisterBenchmark("BM_SyncLatFromDd1", [&window](benchmark::State
                                                                    &state) {
        Sync(state, &window, &TfrmMain::SyncLatFromDd1);
    })->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("BM_SyncLatFromDms1",
                                 [&window](benchmark::State &state) {
                                     Sync(state, &window,
                                          &TfrmMain::SyncLatFromDms1);
                                 })
        ->Unit(benchmark::kMicrosecond);

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
