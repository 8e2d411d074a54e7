#pragma once
// The application's persisted settings: one compact JSON text per key.
#include <QString>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

class QSettings;

namespace vantorel {

/// One compact JSON text per key in an INI file: the user's (~/.config/Vantorel/Vantorel.conf) or, for
/// tests, the file given.
class SettingsStore {
public:
  explicit SettingsStore(const QString& file = {});
  ~SettingsStore();
  SettingsStore(const SettingsStore&) = delete;
  SettingsStore& operator=(const SettingsStore&) = delete;

  /// Nothing for a missing key or a value that is not text.
  std::optional<std::string> read(std::string_view key) const;
  void write(std::string_view key, const std::string& json);
  /// Flushes to disk.
  void sync();

private:
  std::unique_ptr<QSettings> settings_;
};

/// The five keys, in the order they are saved and restored.
inline constexpr std::string_view kSettingsKeys[] = {"look", "video", "gif", "stills", "savedLooks"};

}  // namespace vantorel
