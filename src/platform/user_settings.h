// The program's settings of this user (QSettings, per user): one file, whichever part asks.
#pragma once

#include <QSettings>
#include <memory>

namespace folio {

inline std::unique_ptr<QSettings> userSettings() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Folioscribe"),
                                       QStringLiteral("Folioscribe_pro"));
}

} // namespace folio
