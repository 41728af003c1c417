// The main window's "&Write to KB" (with its read-back) and "&Read KB data"
// against the emulated keyboard through the real driver host, as
// `lodemar --emulate` runs them: confirmation answered, progress window,
// messages answered; and the transfer's write with and without the read-back.
// Each write waits 1 ms per byte in the host, as the port driver does: the
// writes report their time as the ratio to that floor
// (ratio_to_1ms_per_byte), beside the machine's own waits of as many
// milliseconds (machine_wait_ratio, bench/driver/MachineWaits.h) and the
// ratio to those (ratio_to_machine_waits: what the program and the host
// add); the progress window's own work for one write is measured alone.
#include "MachineWaits.h"
#include "TableBytes.h"

#include <app/CMainDialog.h>
#include <app/ProgramChannel.h>

#include <keydata/KeyFile.h>
#include <transfer/CKeyboardTransfer.h>
#include <transfer/TransferTexts.h>
#include <widgets/CProgressPopup.h>
#include <widgets/GuiSeams.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

QTemporaryDir* workFolder = nullptr;

std::unique_ptr<app::CMainDialog> openWindow()
{
    app::ProgramOptions options;
    options.emulate = true;
    options.emulatedKeyboardMemory = workFolder->filePath(QStringLiteral("kb.mem")).toStdString();
    return std::make_unique<app::CMainDialog>(app::CreateProgramChannel(options), true);
}

// One table per argument: 0 empty, 1 the retail layout, 2 the multi-layer one.
bool loadTable(int which, keydata::KeyTable& table)
{
    static const char* const FILES[] = { nullptr, "retail-pos.dat", "multi-layer.dat" };
    if (which == 0)
        return true;
    return keydata::loadKeyFile(std::string(LODEMAR_EXAMPLES_DIR) + "/" + FILES[which], table).Ok();
}

// The wall time of each run of body, summed.
template <typename Body> double timedMilliseconds(Body&& body)
{
    const auto start = std::chrono::steady_clock::now();
    body();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void BM_WriteToKeyboard(benchmark::State& state)
{
    widgets::CSeamRecorder seams;
    auto dialog = openWindow();
    if (dialog->LoadResult() != 0 || !loadTable(int(state.range(0)), dialog->Table())) {
        state.SkipWithError("no emulated keyboard or no example table");
        return;
    }
    const std::size_t bytes = bytesSent(dialog->Table());
    double milliseconds = 0;
    double waitMilliseconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        waitMilliseconds += machineWaitSeconds(bytes) * 1000.0;
        state.ResumeTiming();
        milliseconds += timedMilliseconds([&] { dialog->OnWriteToKb(); });
        if (seams.LastText() != QStringLiteral("Data writed to keyboard successful!")) {
            state.SkipWithError(qPrintable(seams.LastText()));
            return;
        }
    }
    reportWriteRatios(state, milliseconds / 1000.0, waitMilliseconds / 1000.0, bytes);
}

// The progress window's work for one write, without a keyboard: its
// creation over the shown main window, a step per key packet and the
// read-back (status, advance, pump), and its closing.
void BM_ProgressWindowOfAWrite(benchmark::State& state)
{
    widgets::CSeamRecorder seams;
    app::CMainDialog dialog(nullptr, true);
    dialog.show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        widgets::CProgressPopup progress(&dialog, QString::fromLatin1(transfer::text::PROGRESS_TITLE), false);
        progress.BeginModal();
        progress.SetBounds(0, transfer::writeSteps(true), 1);
        for (int step = 0; step < transfer::writeSteps(true); ++step) {
            progress.SetStatus(transfer::text::PROGRESS_STATUS, step);
            progress.Advance();
            progress.PumpMessages(true);
        }
        progress.Close();
        QCoreApplication::processEvents();
    }
}

// The transfer itself (no window), with and without the read-back that
// confirms a write: the second argument is 1 with it. The difference is
// what the check adds to a write.
void BM_WriteThroughTheTransfer(benchmark::State& state)
{
    app::ProgramOptions options;
    options.emulate = true;
    options.emulatedKeyboardMemory = workFolder->filePath(QStringLiteral("kb.mem")).toStdString();
    std::unique_ptr<driverchannel::CDriverChannel> channel = app::CreateProgramChannel(options);
    keydata::KeyTable table;
    if (!channel || channel->Load(driverchannel::DRIVER_NAME, nullptr, nullptr, true) != 0
        || !loadTable(int(state.range(0)), table)) {
        state.SkipWithError("no emulated keyboard or no example table");
        return;
    }
    transfer::CKeyboardTransfer transfer(*channel);
    const bool verify = state.range(1) != 0;
    double milliseconds = 0;
    for (auto _ : state) {
        bool written = false;
        milliseconds += timedMilliseconds([&] { written = transfer.Write(table, {}, verify).Succeeded(); });
        if (!written) {
            state.SkipWithError("the write failed");
            return;
        }
    }
    const double bytes = double(bytesSent(table));
    state.counters["bytes_sent"] = bytes;
    state.counters["ratio_to_1ms_per_byte"] = milliseconds / double(state.iterations()) / bytes;
}

void BM_ReadFromKeyboard(benchmark::State& state)
{
    widgets::CSeamRecorder seams;
    auto dialog = openWindow();
    if (dialog->LoadResult() != 0 || !loadTable(int(state.range(0)), dialog->Table())) {
        state.SkipWithError("no emulated keyboard or no example table");
        return;
    }
    dialog->OnWriteToKb();
    for (auto _ : state) {
        dialog->OnReadKbData();
        if (seams.LastText() != QStringLiteral("Read data from keyboard successful!")) {
            state.SkipWithError(qPrintable(seams.LastText()));
            return;
        }
    }
}

BENCHMARK(BM_WriteToKeyboard)->Arg(0)->Arg(1)->Arg(2)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteThroughTheTransfer)
    ->Args({ 0, 0 })
    ->Args({ 0, 1 })
    ->Args({ 1, 0 })
    ->Args({ 1, 1 })
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProgressWindowOfAWrite)->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadFromKeyboard)->Arg(0)->Arg(1)->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir folder;
    workFolder = &folder;
    // The host's socket and the progress window's position stay private.
    const QString runtime = folder.filePath(QStringLiteral("runtime"));
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    setenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit().constData(), 1);
    setenv("XDG_CONFIG_HOME", folder.path().toLocal8Bit().constData(), 1);
    setenv(driverchannel::DRIVER_DIRECTORY_VARIABLE, LODEMAR_HOST_FOLDER, 1);

    QApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Lodemar"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
