#pragma once

#include "cli/command.h"
#include "plant/mqtt_publisher.h"

#include <optional>
#include <string>

namespace qor::cli {

// --mqtt mqtt://HOST:PORT [--mqtt-user U --mqtt-password-file F] [--mqtt-tls CAFILE]
// [--mqtt-prefix P] [--mqtt-keepalive S]; the others only with --mqtt.
void DeclareMqttOptions(std::vector<Option>& options);
// The broker's options for the station `station` (the value of --station); nullopt without
// --mqtt, or with `error` set on a bad one.
std::optional<plant::MqttOptions> MqttOptionsOf(const Parsed& p, const std::string& station,
                                                std::string& error);

}  // namespace qor::cli
