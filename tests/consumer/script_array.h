// Runs a written data file through Node.js as the browser pages load it.
#pragma once

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStringList>
#include <filesystem>
#include <optional>

namespace folio::test {

// The array of strings that file declares as name, or nothing if it does not load as a
// script declaring such an array.
inline std::optional<QStringList> loadScriptArray(const std::filesystem::path& file,
                                                  const char* name) {
    QProcess node;
    node.start(QStringLiteral("node"),
               {QStringLiteral(FOLIO_READ_ARRAY_SCRIPT), QString::fromStdString(file.string()),
                QString::fromLatin1(name)});
    if (!node.waitForFinished(30000) || node.exitCode() != 0)
        return std::nullopt;
    QJsonDocument json = QJsonDocument::fromJson(node.readAllStandardOutput());
    if (!json.isArray())
        return std::nullopt;
    QStringList values;
    for (const QJsonValue& value : json.array()) {
        if (!value.isString())
            return std::nullopt;
        values << value.toString();
    }
    return values;
}

} // namespace folio::test
