#pragma once
// A connection through the real link (handler, driver, TCP) to a simulated
// unit started for the test, optionally with a state file that presets values.

#include "link/AppHandler.h"
#include "link/CommHandler.h"
#include "platform/MainWindow.h"
#include "rks/RksComponents.h"
#include "support/EventLoop.h"
#include "support/MessageRecorder.h"
#include "support/SimProcess.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace timingtest {

class SimLink {
public:
    // `preset`: parameter id (lower-case hex) -> value hex, kept by the unit at start.
    explicit SimLink(const std::map<QString, QString>& preset = {}, QStringList options = {})
    {
        RegisterRksComponents();
        SetMainWindowTarget(&frame);
        if (!preset.empty()) {
            QString parameters;
            for (const auto& [id, value] : preset)
                parameters += (parameters.isEmpty() ? QString() : QStringLiteral(",")) +
                              QStringLiteral("\"%1\":\"%2\"").arg(id, value);
            QFile file(dir_.filePath(QStringLiteral("state.json")));
            file.open(QIODevice::WriteOnly);
            file.write(QStringLiteral("{\"format\":\"qora-unit-sim-state\",\"version\":1,\"units\":[{\"unit\":"
                                      "\"192.168.255.120:131\",\"parameters\":{%1}}]}")
                           .arg(parameters)
                           .toLatin1());
            file.close();
            options << QStringLiteral("--state") << file.fileName();
        }
        sim_ = std::make_unique<SimProcess>(options);
        if (!sim_->Running())
            return;
        qputenv("QORA_RKS_GATEWAY", QStringLiteral("127.0.0.1:%1").arg(sim_->Port()).toLatin1());
        handler_ = std::make_unique<CCommHandler>();
        handler_->SetSilentConnect(true);
        SetAppCommHandler(handler_.get());
        handler_->Connect(ConnectionRoute::Direct, "WP=SOCKET,HOST=192.168.255.120,PORT=7000,WP=NEQ1,ADDR=131");
        connected_ = PumpUntil([this] { return frame.HasNotice(NOTICE_CONNECTED); }, 10000);
    }
    ~SimLink()
    {
        if (handler_)
            handler_->CloseConnection();
        SetAppCommHandler(nullptr);
        handler_.reset();
        SetMainWindowTarget(nullptr);
        qunsetenv("QORA_RKS_GATEWAY");
    }
    SimLink(const SimLink&) = delete;
    SimLink& operator=(const SimLink&) = delete;

    [[nodiscard]] bool Connected() const { return connected_; }

    MessageRecorder frame;

private:
    QTemporaryDir dir_;
    std::unique_ptr<SimProcess> sim_;
    std::unique_ptr<CCommHandler> handler_;
    bool connected_ = false;
};

// Pumps until `window` received `message`; its wParam, or -1 on time-out.
inline int AwaitNotice(const MessageRecorder& window, unsigned message, int timeoutMs = 10000)
{
    int result = -1;
    PumpUntil(
        [&] {
            for (const auto& m : window.received)
                if (m.message == message)
                    result = static_cast<int>(m.wParam);
            return result != -1;
        },
        timeoutMs);
    return result;
}

} // namespace timingtest
