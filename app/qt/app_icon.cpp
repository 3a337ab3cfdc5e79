#include "app/qt/app_icon.h"

// The resource file is compiled into a static library; its registration must be pulled in
// explicitly (outside any namespace).
static void InitTravexResources() { Q_INIT_RESOURCE(travex); }

namespace travex {

QIcon AppIcon() {
  static const bool registered = (InitTravexResources(), true);
  (void)registered;
  return QIcon(QStringLiteral(":/travex/travex-config.png"));
}

}  // namespace travex
