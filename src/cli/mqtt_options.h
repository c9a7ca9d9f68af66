#pragma once

#include "cli/command.h"
#include "plant/mqtt_publisher.h"

#include <optional>
#include <string>

namespace qor::cli {

// --mqtt mqtt://HOST:PORT [--station NAME] [--mqtt-user U --mqtt-password-file F]
// [--mqtt-tls CAFILE] [--mqtt-prefix P] [--mqtt-keepalive S], taken from `args`.
// nullopt without --mqtt (the others are then refused) or with `error` set on a bad one.
std::optional<plant::MqttOptions> TakeMqttOptions(Args& args, const std::string& station, std::string& error);

// The options' usage lines.
const char* MqttUsage();

}  // namespace qor::cli
