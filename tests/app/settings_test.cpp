#include "model/saved_look.h"
#include "model/settings_store.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace vantorel;

namespace {

constexpr const char* kId = "0f8fad5b-d9cb-469f-a165-70867728950e";

nlohmann::json savedJSON() {
  return nlohmann::json{{"id", kId}, {"name", "Glossy red"}, {"look", encode(Look{})}};
}

}  // namespace

class SettingsTest : public QObject {
  Q_OBJECT

private slots:
  void savedLooksRoundTrip() {
    Look shiny;
    shiny.finish = Finish::gloss;
    shiny.startAngle = 37.5;
    const std::vector<SavedLook> looks{SavedLook::make("Matte", Look{}), SavedLook::make("Shiny \"é\"", shiny)};
    QVERIFY(looks[0].id != looks[1].id);

    const std::string text = encodeSavedLooks(looks);
    QCOMPARE(text.find('\n'), std::string::npos);
    QVERIFY(text.starts_with("[{\"id\":\"" + looks[0].id.toString(QUuid::WithoutBraces).toStdString() + "\",\"name\""));
    QVERIFY(decodeSavedLooks(text) == looks);
    QVERIFY(decodeSavedLooks("[]") == std::vector<SavedLook>{});
    QCOMPARE(decodeSavedLook(savedJSON()).id, QUuid(QString(kId)));
  }

  void refusals_data() {
    QTest::addColumn<QString>("text");
    auto row = [](const char* name, nlohmann::json json) { QTest::newRow(name) << QString::fromStdString(json.dump()); };
    auto without = [](const char* key) { auto j = savedJSON(); j.erase(key); return j; };
    auto with = [](const char* key, nlohmann::json value) { auto j = savedJSON(); j[key] = std::move(value); return j; };
    row("no id", nlohmann::json::array({without("id")}));
    row("no name", nlohmann::json::array({without("name")}));
    row("no look", nlohmann::json::array({without("look")}));
    row("numeric id", nlohmann::json::array({with("id", 7)}));
    row("braced id", nlohmann::json::array({with("id", std::string("{") + kId + "}")}));
    row("short id", nlohmann::json::array({with("id", "0f8fad5b-d9cb-469f-a165")}));
    row("not hex id", nlohmann::json::array({with("id", "0f8fad5b-d9cb-469f-a165-70867728950g")}));
    row("name not text", nlohmann::json::array({with("name", false)}));
    row("look incomplete", nlohmann::json::array({with("look", nlohmann::json{{"finish", "matte"}})}));
    row("one bad of two", nlohmann::json::array({savedJSON(), with("id", "")}));
    row("not an array", savedJSON());
    QTest::newRow("not JSON") << QString("[{\"id\":");
  }
  void refusals() {
    QFETCH(QString, text);
    QVERIFY(!decodeSavedLooks(text.toStdString()));
  }

  void trimming() {
    QCOMPARE(trimmedName("  Studio blue \t"), std::string("Studio blue"));
    QCOMPARE(trimmedName("\t \t"), std::string());
    QCOMPARE(trimmedName("\nA\n"), std::string("\nA\n"));  // only spaces and tabs
  }

  void storeKeepsEachKey() {
    QTemporaryDir dir;
    const QString file = dir.filePath("settings.conf");
    {
      SettingsStore store(file);
      QVERIFY(!store.read("look"));
      store.sync();
      QVERIFY(!QFileInfo(file).exists() || QFileInfo(file).size() == 0);
      for (const auto key : kSettingsKeys)
        store.write(key, std::string(key) == "savedLooks" ? encodeSavedLooks({SavedLook::make("A, b", Look{})})
                                                          : encode(Look{}).dump());
      store.sync();
    }
    SettingsStore reopened(file);
    for (const auto key : kSettingsKeys) QVERIFY(reopened.read(key).has_value());
    QCOMPARE(*reopened.read("look"), encode(Look{}).dump());
    QCOMPARE(decodeSavedLooks(*reopened.read("savedLooks"))->front().name, std::string("A, b"));
    QVERIFY(!reopened.read("missing"));

    QFile listFile(dir.filePath("list.conf"));
    QVERIFY(listFile.open(QIODevice::WriteOnly));
    listFile.write("[General]\nvideo=1, 2\n");
    listFile.close();
    QVERIFY(!SettingsStore(listFile.fileName()).read("video"));  // a list, not one text
  }
};

QTEST_GUILESS_MAIN(SettingsTest)
#include "settings_test.moc"
