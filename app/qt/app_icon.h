// The application icon (IDI_APP_ICON), from the compiled-in resources.
#pragma once

#include <QIcon>

namespace travex {

QIcon AppIcon();

}  // namespace travex
