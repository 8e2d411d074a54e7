#include "model/settings_store.h"

#include <QSettings>

namespace vantorel {

namespace {

QString keyText(std::string_view key) { return QString::fromUtf8(key.data(), qsizetype(key.size())); }

}  // namespace

SettingsStore::SettingsStore(const QString& file)
    : settings_(file.isEmpty()
                    ? std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "Vantorel", "Vantorel")
                    : std::make_unique<QSettings>(file, QSettings::IniFormat)) {}

SettingsStore::~SettingsStore() = default;

std::optional<std::string> SettingsStore::read(std::string_view key) const {
  const QVariant value = settings_->value(keyText(key));
  // A hand-edited file can hold a list or nothing readable under a key; only text is a stored value.
  if (value.typeId() != QMetaType::QString) return std::nullopt;
  return value.toString().toStdString();
}

void SettingsStore::write(std::string_view key, const std::string& json) {
  settings_->setValue(keyText(key), QString::fromStdString(json));
}

void SettingsStore::sync() { settings_->sync(); }

}  // namespace vantorel
