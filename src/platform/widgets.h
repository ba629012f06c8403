// Small helpers the windows share: placing a named control at its pixel position, and turning
// file paths between the windows' text and the core's paths.
#pragma once

#include <QDir>
#include <QFile>
#include <QRect>
#include <QString>
#include <QWidget>
#include <filesystem>
#include <utility>

namespace folio {

// Creates a control of parent (constructed from args, then parent), names it so that it can be
// found by name, and puts it at where (left, top, width, height in pixels).
template <typename Widget, typename... Args>
Widget* place(QWidget* parent, const char* name, const QRect& where, Args&&... args) {
    auto* widget = new Widget(std::forward<Args>(args)..., parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(where);
    return widget;
}

// Creates a control of parent (constructed from args, then parent) and names it, so that it can
// be found by name, for windows whose layouts place their controls.
template <typename Widget, typename... Args>
Widget* named(QWidget* parent, const char* name, Args&&... args) {
    auto* widget = new Widget(std::forward<Args>(args)..., parent);
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// The file system path of a path shown in a window. Windows names are UTF-16, never bytes.
inline std::filesystem::path toFilePath(const QString& path) {
#ifdef _WIN32
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

// A file system path as Qt takes it.
inline QString toQtPath(const std::filesystem::path& path) {
#ifdef _WIN32
    return QString::fromStdWString(path.generic_wstring());
#else
    return QFile::decodeName(path.c_str());
#endif
}

// A file system path as a window shows it.
inline QString toShownPath(const std::filesystem::path& path) {
    return QDir::toNativeSeparators(toQtPath(path));
}

} // namespace folio
