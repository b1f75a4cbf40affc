// SPDX-License-Identifier: GPL-3.0-or-later
// How long the window's thread ever stops handling events while the link works,
// measured by a probe timer inside the window's event loop, in each situation a
// workshop meets; how soon readings flow again after the unit comes back; and how
// long a scan of silent ports takes. Offscreen, against simulated units on
// pseudo-terminals, with the unit's own time-outs.
//
//   bench_window_stall [--quick]   prints `name value unit` lines

#include "lang/translate.h"
#include "link/link_controller.h"
#include "link/port_probe.h"
#include "sim/firmware_builder.h"
#include "sim/pty.h"
#include "sim/sim_host.h"
#include "ui/window/main_window.h"
#include "ui/app/stall_probe.h"
#include "ui/widgets/up_down.h"
#include "ui/window/velmora_dlg.h"
#include "ui/window/window_layout.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTest>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>

using namespace velmora;

namespace {

bool g_quick = false;

std::string unitPath()
{
    return (std::filesystem::temp_directory_path() / ("velmora-stall-" + std::to_string(::getpid()))).string();
}

// Runs the event loop until cond or ms passed; true when cond.
bool spin(const std::function<bool()>& cond, int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        if (cond())
            return true;
        QTest::qWait(5);
    }
    return cond();
}

void figure(const char* name, double value, const char* unit)
{
    std::printf("%s %.0f %s\n", name, value, unit);
    std::fflush(stdout);
}

class FirmwareUI : public IFirmwareUI {
public:
    std::filesystem::path chooseFile(const std::filesystem::path&, const std::wstring&,
                                     const std::wstring&) override { return file; }
    void setBusy(bool on) override { busy = on; ++busyCalls; }
    void progress(unsigned, unsigned) override {}
    std::filesystem::path file;
    bool busy = false;
    int busyCalls = 0;
};

struct Scene {
    Scene()
    {
        host.emplace(unitPath());
        link = std::make_unique<CLinkController>(CLinkController::Setup{});
        window = std::make_unique<CMainWindow>(*link, nullptr);
        window->show();
        QObject::connect(link.get(), &CLinkController::readingsArrived, [this] { ++readings; });
    }
    ~Scene()
    {
        window.reset();
        link.reset();
    }
    bool connected() const { return link->status().state == LinkState::Connected; }
    std::optional<sim::CSimHost> host;
    std::unique_ptr<CLinkController> link;
    std::unique_ptr<CMainWindow> window;
    int readings = 0;
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    g_quick = app.arguments().contains(QStringLiteral("--quick"));
    setLanguageIndex(0);
    CStallProbe probe;

    {
        Scene s;
        s.host->start();
        probe.reset();
        s.link->start(QString::fromStdString(s.host->path()));
        spin([&] { return s.readings > 20; }, 15000);
        figure("window_max_stall_ms_connect", double(probe.maxStallMs()), "ms");

        // A unit that is plugged in but does not answer.
        sim::Faults silent;
        silent.noReply = true;
        s.host->setFaults(silent);
        probe.reset();
        QTest::qWait(g_quick ? 8000 : 30000);
        figure("window_max_stall_ms_silent_unit", double(probe.maxStallMs()), "ms");
        s.host->setFaults({});
        spin([&] { return s.connected(); }, 15000);

        // Pulled out and plugged in again behind the same name.
        spin([&] { return s.readings > 0; }, 5000);
        probe.reset();
        s.host.reset();
        spin([&] { return s.link->status().state == LinkState::Lost; }, 10000);
        QTest::qWait(1500);
        s.readings = 0;
        QElapsedTimer back;
        s.host.emplace(unitPath());
        s.host->start();
        back.start();
        spin([&] { return s.readings > 0; }, 15000);
        figure("reconnect_after_return_ms", double(back.elapsed()), "ms");
        spin([&] { return s.readings > 10; }, 5000);
        figure("window_max_stall_ms_pulled_and_returned", double(probe.maxStallMs()), "ms");
    }

    {
        // Settings and map writes on a unit that answers at the line's speed.
        Scene s;
        sim::Faults paced;
        paced.paced38400 = true;
        s.host->setFaults(paced);
        s.host->start();
        s.link->start(QString::fromStdString(s.host->path()));
        spin([&] { return s.connected() && s.readings > 5; }, 15000);
        CVelmoraDlg& dlg = s.window->dialog();
        probe.reset();
        for (int i = 0; i < 20; ++i) {
            dlg.OnDeltaposSpinNoisePeriod(i % 2 ? -1 : +1);
            QTest::qWait(30);
        }
        dlg.map().selectRectangle({2, 2}, {4, 4});
        for (int i = 0; i < 10; ++i) {
            QKeyEvent press(QEvent::KeyPress, i % 2 ? Qt::Key_Down : Qt::Key_Up, Qt::ControlModifier);
            QApplication::sendEvent(dlg.control(ctl::RpmDivider), &press);
            QTest::qWait(30);
        }
        dlg.edits().clearMap(); // what Kasuj sends once the question is answered Yes
        QTest::qWait(3000);
        figure("window_max_stall_ms_writes_paced", double(probe.maxStallMs()), "ms");

        // Programming the largest image the unit takes.
        sim::FirmwareRecipe recipe;
        recipe.version = 0x0104;
        recipe.image = sim::sampleFirmwareImage(0x0104);
        const auto bytes = sim::buildFirmwareFile(recipe);
        FirmwareUI ui;
        ui.file = std::filesystem::temp_directory_path() / ("velmora-stall-" + std::to_string(::getpid()) + ".afm");
        std::ofstream(ui.file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        dlg.setFirmwareUI(&ui);
        probe.reset();
        dlg.OnBnClickedBtnFirmware();
        spin([&] { return ui.busyCalls >= 2; }, 120000);
        spin([&] { return s.connected(); }, 15000);
        figure("window_max_stall_ms_programming", double(probe.maxStallMs()), "ms");
        dlg.setFirmwareUI(nullptr);
        std::filesystem::remove(ui.file);
    }

    {
        // Scan: 8 silent ports and the unit last, probed at once, against one port.
        std::vector<std::unique_ptr<sim::CPty>> silent;
        std::vector<std::string> names;
        for (int i = 0; i < 8; ++i) {
            silent.push_back(std::make_unique<sim::CPty>());
            names.push_back(silent.back()->slavePath());
        }
        QElapsedTimer t;
        t.start();
        probePorts({names.front()}, Timeouts{});
        const qint64 one = t.elapsed();
        sim::CSimHost unit;
        unit.start();
        names.push_back(unit.path());
        t.restart();
        const auto results = probePorts(names, Timeouts{});
        const qint64 all = t.elapsed();
        figure("scan_one_silent_port_ms", double(one), "ms");
        figure("scan_ms", double(all), "ms");
        std::printf("scan_ratio %.2f x\n", double(all) / double(one));
        if (results.back().answer != ProbeAnswer::Unit)
            std::printf("scan_found_unit 0 -\n");
    }
    return 0;
}
