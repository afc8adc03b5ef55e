#include "app/settings/app_settings.h"
#include "app/settings/settings_file_watcher.h"

#include "item_fixtures.h"
#include "memory_settings_storage.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace wirelark;
using namespace wirelark::testing;

// A change that cannot be stored holds for the session, and is reported once for each run of
// failed stores.
TEST(AppSettings, ReportsOnceThatChangesCannotBeStored) {
    QTemporaryDir folder;
    const QString blocker = folder.filePath("Wirelark");
    const auto block = [&] {
        QFile file(blocker);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    };
    block(); // a file where the settings' folder belongs
    const QString path = folder.filePath("Wirelark/Wirelark.conf");
    AppSettings settings(std::make_unique<IniSettingsStorage>(path));
    QSignalSpy failed(&settings, &AppSettings::storeFailed);

    SettingsData data;
    data.useBits = true;
    settings.setData(data);
    EXPECT_TRUE(settings.data().useBits);
    EXPECT_EQ(failed.count(), 1);
    data.updateInterval = 2;
    settings.setData(data);
    EXPECT_EQ(failed.count(), 1) << "reported again while it keeps failing";

    ASSERT_TRUE(QFile::remove(blocker));
    data.updateInterval = 3;
    settings.setData(data);
    EXPECT_EQ(failed.count(), 1);
    EXPECT_EQ(decodeSettings(*IniSettingsStorage(path).read()), data);

    ASSERT_TRUE(QDir(blocker).removeRecursively());
    block();
    data.updateInterval = 4;
    settings.setData(data);
    EXPECT_EQ(failed.count(), 2) << "a new run of failures is reported";
}

TEST(AppSettings, StoresOnlyRealChangesAndAnnouncesThem) {
    int writes = 0;
    AppSettings settings(std::make_unique<MemorySettingsStorage>(std::nullopt, &writes));
    QSignalSpy changed(&settings, &AppSettings::changed);
    EXPECT_EQ(settings.data(), SettingsData{});
    EXPECT_EQ(writes, 0) << "nothing is written until the first change";

    settings.setData(SettingsData{});
    EXPECT_EQ(writes, 0);
    EXPECT_EQ(changed.count(), 0);

    SettingsData bits;
    bits.useBits = true;
    settings.setData(bits);
    EXPECT_EQ(writes, 1);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_TRUE(decodeSettings(*settings.storage().read()).useBits);

    const auto item = presentItem("name:wg0", runningSnapshot("wg0"));
    settings.togglePin(item);
    EXPECT_TRUE(settings.isPinned("name:wg0"));
    settings.togglePin(item);
    EXPECT_FALSE(settings.isPinned("name:wg0"));
    EXPECT_EQ(writes, 3) << "toggling twice stores twice";
    settings.movePin("name:wg0", 1);
    EXPECT_EQ(writes, 3) << "moving a pin that is not there changes nothing";
}

TEST(AppSettings, IniFileRoundTripAndBadStoredBytes) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath("Wirelark/Wirelark.conf");
    SettingsData changed;
    changed.periods = {60, 3600};
    changed.menubarSource = MenubarSource::interface("link:ethernet:02:00:00:00:00:01");
    {
        AppSettings settings(std::make_unique<IniSettingsStorage>(path));
        EXPECT_FALSE(QFile::exists(path));
        settings.setData(changed);
    }
    {
        AppSettings settings(std::make_unique<IniSettingsStorage>(path));
        EXPECT_EQ(settings.data(), changed);
    }
    IniSettingsStorage storage(path);
    ASSERT_TRUE(storage.write(std::string("\x00\xff{not json", 11)));
    EXPECT_EQ(storage.read(), std::string("\x00\xff{not json", 11))
        << "stored bytes come back exactly";
    AppSettings settings(std::make_unique<IniSettingsStorage>(path));
    EXPECT_EQ(settings.data(), SettingsData{});
    EXPECT_EQ(storage.read(), std::string("\x00\xff{not json", 11))
        << "bad bytes stay until a change";
}

TEST(AppSettings, AFolderThatCannotBeWrittenKeepsTheChangeInMemory) {
    QTemporaryDir folder;
    // A file where the settings folder should be: no one, not even root, can write below it.
    QFile blocker(folder.filePath("Wirelark"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    auto storage = std::make_unique<IniSettingsStorage>(folder.filePath("Wirelark/Wirelark.conf"));
    EXPECT_FALSE(storage->write("{}"));
    AppSettings settings(std::move(storage));
    SettingsData bits;
    bits.useBits = true;
    settings.setData(bits);
    EXPECT_TRUE(settings.data().useBits);
}

TEST(AppSettings, ReconcilePinsFollowsARenamedInterface) {
    SettingsData stored;
    stored.pinned = {
        {"link:ethernet:02:00:00:00:00:01", "eth0", std::nullopt, "02:00:00:00:00:01", false}};
    stored.elementOverrides["link:ethernet:02:00:00:00:00:01"] = {InterfaceElement::mtu};
    AppSettings settings(std::make_unique<MemorySettingsStorage>(*encodeSettings(stored)));
    auto item = presentItem("service:abc", runningSnapshot("eth5"));
    item.snapshot->linkAddress = LinkAddress{{2, 0, 0, 0, 0, 1}, 6};
    item.service = NetworkService{"abc", "Wired", true, "eth5", false};
    QSignalSpy changed(&settings, &AppSettings::changed);
    settings.reconcilePins({item});
    ASSERT_EQ(settings.data().pinned.size(), 1u);
    EXPECT_EQ(settings.data().pinned[0].key, "service:abc");
    EXPECT_EQ(settings.data().elements("service:abc"), InterfaceElementSet{InterfaceElement::mtu});
    EXPECT_EQ(changed.count(), 1);
    settings.reconcilePins({item});
    EXPECT_EQ(changed.count(), 1) << "a pin that matches already changes nothing at the next tick";
}

// Another process replaces the file as QSettings does; the app's own write reads back equal.
TEST(AppSettings, ReloadsWhatAnotherProcessStoresAndNothingElse) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath("Wirelark/Wirelark.conf");
    AppSettings settings(std::make_unique<IniSettingsStorage>(path));
    SettingsFileWatcher watcher(settings, path);
    QSignalSpy changed(&settings, &AppSettings::changed);

    SettingsData own;
    own.useBits = true;
    settings.setData(own);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_FALSE(changed.wait(500)) << "its own write came back as a change";

    SettingsData imported = own;
    imported.menubarMode = MenubarMode::graph;
    ASSERT_TRUE(IniSettingsStorage(path).write(*encodeSettings(imported)));
    ASSERT_TRUE(changed.wait(5000)) << "the imported settings were not seen";
    EXPECT_EQ(settings.data(), imported);

    // Again, now that the file watched first has been replaced.
    imported.useBits = false;
    ASSERT_TRUE(IniSettingsStorage(path).write(*encodeSettings(imported)));
    ASSERT_TRUE(changed.wait(5000)) << "the second import was not seen";
    EXPECT_EQ(settings.data(), imported);

    // Bytes that are not a settings object, or no file at all, leave the record as it is.
    ASSERT_TRUE(IniSettingsStorage(path).write("{not json"));
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_FALSE(changed.wait(500));
    EXPECT_EQ(settings.data(), imported);
}
