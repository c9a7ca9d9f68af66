#pragma once

#include <QIcon>

namespace qor::ui {

// The station's icon: a small needle meter, drawn at each size.
QIcon AppIcon();

}  // namespace qor::ui
