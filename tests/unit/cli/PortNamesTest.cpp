// Port names in the defaults file: what is stored after each change, that a hand-edited
// value of another shape is never overwritten, which names are refused; with them the
// permission texts and the locale tarvexctl relies on.
#include "cli/ExchangeFailure.h"
#include "cli/Utf8Locale.h"
#include "switch/DefaultsStore.h"
#include "switch/PortNames.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <gtest/gtest.h>
#include <langinfo.h>

TEST(PortNames, StoredFormLookupAndRefusals)
{
    QTemporaryDir dir;
    DefaultsStore store(dir.filePath("defaults.json"));
    PortNames names(store);
    const auto stored = [&] { // from the file: every change is written through at once
        const QJsonValue v = DefaultsStore(store.filePath()).objectForKey(PortNames::kDefaultsKey);
        return QJsonDocument(v.toObject()).toJson(QJsonDocument::Compact);
    };
    struct Step { const char *serial; int port; QString name; QByteArray stored; }; // stored: afterwards
    const QList<Step> steps = {
        {"A", 2, "  Work laptop ", R"({"A":["","Work laptop"]})"},
        {"A", 4, "Gaming PC", R"({"A":["","Work laptop","","Gaming PC"]})"},
        {"B", 1, "Büro — links", R"({"A":["","Work laptop","","Gaming PC"],"B":["Büro — links"]})"},
        {"A", 4, "", R"({"A":["","Work laptop"],"B":["Büro — links"]})"},
        {"B", 1, "", R"({"A":["","Work laptop"]})"},
    };
    for (const Step &s : steps) {
        ASSERT_TRUE(names.setName(s.serial, s.port, s.name)) << names.error().toStdString();
        EXPECT_EQ(stored(), s.stored) << s.name.toStdString();
    }
    EXPECT_EQ(names.names("A"), (QStringList{"", "Work laptop", "", ""}));
    EXPECT_EQ(names.portsNamed("A", " WORK laptop "), QList<int>{2});
    EXPECT_EQ(names.titled("Port 2", "A", 2), "Port 2 — Work laptop");
    EXPECT_EQ(names.titled("Port 3", "A", 3), "Port 3");
    ASSERT_TRUE(names.setName("A", 2, ""));
    EXPECT_TRUE(store.objectForKey(PortNames::kDefaultsKey).isUndefined());

    for (const QString &bad : {QString("12"), QString("a\nb"), QString("x\u202Ey"), QString(65, 'n')}) {
        EXPECT_TRUE(PortNames::problemWithName(bad)) << bad.toStdString();
        EXPECT_FALSE(names.setName("A", 1, bad));
    }
    EXPECT_FALSE(names.setName("A", 5, "x") || names.setName("A", 0, "x"));
    // Shapes written by hand read as "no names" and are left alone.
    for (const QJsonValue &handMade : {QJsonValue("x"), QJsonValue(QJsonObject{{"A", 3}}),
                                       QJsonValue(QJsonObject{{"A", QJsonArray{"a", 7}}})}) {
        ASSERT_TRUE(store.setObjectForKey(PortNames::kDefaultsKey, handMade));
        EXPECT_TRUE(names.name("A", 2).isEmpty());
        EXPECT_FALSE(names.setName("A", 2, "Work"));
        EXPECT_TRUE(names.error().contains(store.filePath()));
        EXPECT_EQ(store.objectForKey(PortNames::kDefaultsKey), handMade);
    }
}

TEST(CliTexts, PermissionRemedyNamesWhatThisInstallationHas)
{
    EXPECT_TRUE(ExchangeFailure::permissionRemedy("/usr/bin").contains("package's udev rule gives access once the switch "
                                                                       "is unplugged and plugged in again"));
    for (const auto &[dir, fromSource] : {std::pair{"/home/u/tarvexcc/build/release/bin", true},
                                          {"/usr/local/bin", true}, {"/usr/bin", false}})
        EXPECT_EQ(ExchangeFailure::permissionRemedy(dir).contains("scripts/install-udev-rule"), fromSource) << dir;
    EXPECT_TRUE(ExchangeFailure::text("00001001", EACCES).startsWith("no permission to open the switch 00001001: "));
}

TEST(CliTexts, NonUtf8LocaleGetsUtf8CharactersAndKeepsTheRest)
{
    setenv("LC_ALL", "C", 1);
    Utf8Locale::ensure();
    EXPECT_EQ(std::getenv("LC_ALL"), nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, ""), nullptr);
    EXPECT_STREQ(nl_langinfo(CODESET), "UTF-8");
    EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    EXPECT_STREQ(std::setlocale(LC_MESSAGES, nullptr), "C");
}
