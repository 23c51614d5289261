#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/registry.hpp"
#include "platform/syserror.hpp"
#include "platform/textfile.hpp"
#include "server/regutil.hpp"

namespace fs = std::filesystem;

namespace {

// Every test works on a store of its own in a temporary directory.
class Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/kal_registry_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    root_ = dir_ / "reg";
    setenv("KALMITOR_REGISTRY_DIR", root_.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("KALMITOR_REGISTRY_DIR");
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::string raw(const fs::path& p) {
    std::string s;
    EXPECT_EQ(kal::read_file(p.string(), s), 0) << p;
    return s;
  }
  fs::path dir_, root_;
};

std::vector<std::string> sub_keys(const char* key) {
  std::vector<std::string> v;
  EXPECT_EQ(kal::reg_sub_keys(key, &v), 0) << key;
  return v;
}

std::vector<std::string> value_names(const char* key) {
  std::vector<std::string> v;
  EXPECT_EQ(kal::reg_value_names(key, &v), 0) << key;
  return v;
}

}  // namespace

TEST_F(Registry, RootComesFromTheEnvironment) {
  EXPECT_EQ(kal::registry_root(), root_.string());
  unsetenv("KALMITOR_REGISTRY_DIR");
  EXPECT_EQ(kal::registry_root(), "/var/lib/kalmitor/registry");
}

TEST_F(Registry, ValuesRoundTripThroughTheKeyFile) {
  ASSERT_EQ(kal::reg_create_key("SOFTWARE\\KALMITOR\\2"), 0);
  EXPECT_TRUE(fs::is_directory(root_ / "SOFTWARE" / "KALMITOR" / "2"));

  const std::string tricky = "c:\\kal mitor\\\nsecond line \\n \xB9\xE6\x9C";  // backslashes, LF, CP1250
  struct {
    const char* name;
    std::string value;
  } cases[] = {{"HttpPort", "8080"}, {"Install_Dir", tricky}, {"Empty", ""}, {"Lead", "  two blanks"}};
  for (auto& c : cases) ASSERT_EQ(kal::reg_set_value("SOFTWARE\\KALMITOR\\2", c.name, c.value), 0) << c.name;
  for (auto& c : cases) {
    std::string got = "unset";
    ASSERT_EQ(kal::reg_get_value("SOFTWARE\\KALMITOR\\2", c.name, &got), 0) << c.name;
    EXPECT_EQ(got, c.value) << c.name;
  }
  // The key/value file format, CR LF on disk.
  EXPECT_EQ(raw(root_ / "SOFTWARE" / "KALMITOR" / "2" / ".values"),
            "HttpPort 8080\r\n"
            "Install_Dir c:\\\\kal mitor\\\\\\nsecond line \\\\n \xB9\xE6\x9C\r\n"
            "Empty \r\n"
            "Lead   two blanks\r\n");

  // Setting a value again replaces it where it stands.
  ASSERT_EQ(kal::reg_set_value("SOFTWARE\\KALMITOR\\2", "httpport", "9090"), 0);
  EXPECT_EQ(value_names("SOFTWARE\\KALMITOR\\2"), (std::vector<std::string>{"HttpPort", "Install_Dir", "Empty", "Lead"}));
  std::string got;
  ASSERT_EQ(kal::reg_get_value("SOFTWARE\\KALMITOR\\2", "HTTPPORT", &got), 0);
  EXPECT_EQ(got, "9090");
}

TEST_F(Registry, HandWrittenFileReadsAsTheKeyValueFormat) {
  ASSERT_EQ(kal::reg_create_key("K"), 0);
  // First of two equal names wins; a tab separates too; a line without LF at
  // the end is not taken; a line without a value is no pair.
  ASSERT_EQ(kal::atomic_rewrite((root_ / "K" / ".values").string(),
                                "a one\r\nA two\r\nb\tx\\\\y\r\nlonely\r\nc three"),
            0);
  EXPECT_EQ(value_names("K"), (std::vector<std::string>{"a", "b"}));
  std::string v;
  ASSERT_EQ(kal::reg_get_value("K", "a", &v), 0);
  EXPECT_EQ(v, "one");
  ASSERT_EQ(kal::reg_get_value("K", "b", &v), 0);
  EXPECT_EQ(v, "x\\y");
  EXPECT_EQ(kal::reg_get_value("K", "c", &v), ENOENT);
}

TEST_F(Registry, KeysAreFoundWithoutRegardToCaseAndKeepTheirOwn) {
  ASSERT_EQ(kal::reg_create_key("SOFTWARE\\KALMITOR"), 0);
  ASSERT_EQ(kal::reg_set_value("SOFTWARE\\KALMITOR", "Install_Dir", "/srv/kal"), 0);
  std::string v;
  EXPECT_EQ(kal::reg_get_value("Software\\KALMITOR", "install_dir", &v), 0);
  EXPECT_EQ(v, "/srv/kal");
  // Creating under another case reuses the key.
  ASSERT_EQ(kal::reg_create_key("software\\kalmitor\\Sub"), 0);
  EXPECT_EQ(sub_keys(""), (std::vector<std::string>{"SOFTWARE"}));
  EXPECT_EQ(sub_keys("SOFTWARE"), (std::vector<std::string>{"KALMITOR"}));
  // Doubled and trailing backslashes name the same key.
  EXPECT_EQ(kal::reg_open_key("SOFTWARE\\\\KALMITOR\\"), 0);
  EXPECT_EQ(kal::reg_open_key("SOFTWARE\\Nothing"), ENOENT);
}

TEST_F(Registry, MissingThingsAndBadNamesFail) {
  std::string v = "kept";
  // No store at all yet.
  EXPECT_EQ(kal::reg_open_key("SOFTWARE"), ENOENT);
  EXPECT_EQ(kal::reg_get_value("SOFTWARE", "x", &v), ENOENT);
  EXPECT_EQ(kal::reg_set_value("SOFTWARE", "x", "1"), ENOENT);  // the key must exist
  EXPECT_FALSE(fs::exists(root_));

  for (const char* bad : {"..\\escape", "a\\..\\b", "a/b", ".hidden", "SOFTWARE\\.values"})
    EXPECT_EQ(kal::reg_create_key(bad), EINVAL) << bad;
  EXPECT_FALSE(fs::exists(dir_ / "escape"));

  ASSERT_EQ(kal::reg_create_key("K"), 0);
  for (const char* bad : {"", "two words", "tab\there", "line\nend"})
    EXPECT_EQ(kal::reg_set_value("K", bad, "1"), EINVAL) << bad;
  EXPECT_EQ(kal::reg_set_value("K", "cr", "a\rb"), EINVAL);
  EXPECT_EQ(kal::reg_get_value("K", "absent", &v), ENOENT);
  EXPECT_EQ(v, "kept");
  // The code is kept for the caller to report.
  EXPECT_EQ(kal::last_error(), ENOENT);
}

TEST_F(Registry, EnumerationAndDeletion) {
  for (const char* k : {"S\\beta", "S\\Alpha\\deep\\er", "S\\gamma"}) ASSERT_EQ(kal::reg_create_key(k), 0) << k;
  ASSERT_EQ(kal::reg_set_value("S\\Alpha", "v", "1"), 0);
  EXPECT_EQ(sub_keys("S"), (std::vector<std::string>{"Alpha", "beta", "gamma"}));
  EXPECT_TRUE(value_names("S\\beta").empty());

  // A key with sub-keys is not deleted alone; the tree goes as a whole.
  EXPECT_EQ(kal::reg_delete_key("S\\Alpha"), ENOTEMPTY);
  EXPECT_EQ(kal::reg_delete_key("S\\beta"), 0);
  EXPECT_EQ(kal::reg_delete_tree("s\\alpha"), 0);
  EXPECT_EQ(sub_keys("S"), (std::vector<std::string>{"gamma"}));
  EXPECT_EQ(kal::reg_delete_tree("S\\Alpha"), ENOENT);
  // The root is no key.
  EXPECT_EQ(kal::reg_delete_tree(""), EINVAL);
  EXPECT_TRUE(fs::exists(root_ / "S" / "gamma"));
}

TEST_F(Registry, ConcurrentWritersKeepEveryValue) {
  ASSERT_EQ(kal::reg_create_key("K"), 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < 10; ++i)
        kal::reg_set_value("K", "v" + std::to_string(t) + "_" + std::to_string(i), "x");
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(value_names("K").size(), 40u);
}

// ---- The frame's registry functions ------------------------------------------------

TEST_F(Registry, RegUtilValues) {
  ostr text = "stale";
  long len = 7;
  EXPECT_NE(RegUtil_getParamValue(&text, &len, HKEY_LOCAL_MACHINE, "Software\\KALMITOR", "Install_Dir"), 0);
  EXPECT_TRUE(text.is_null());
  EXPECT_EQ(len, -1);

  // Writing creates the key; len counts the characters taken.
  ASSERT_EQ(RegUtil_setParamValue("/srv/kal/extra", 8, HKEY_LOCAL_MACHINE, "SOFTWARE\\KALMITOR", "Install_Dir"), 0);
  ASSERT_EQ(RegUtil_getValue(&text, &len, HKEY_LOCAL_MACHINE, "Software\\KALMITOR", "Install_Dir"), 0);
  EXPECT_EQ(text.str(), "/srv/kal");
  EXPECT_EQ(len, 8);
  ASSERT_EQ(RegUtil_setValue("", 0, HKEY_LOCAL_MACHINE, "SOFTWARE\\KALMITOR", "Empty"), 0);
  ASSERT_EQ(RegUtil_getValue(&text, &len, HKEY_LOCAL_MACHINE, "SOFTWARE\\KALMITOR", "Empty"), 0);
  EXPECT_FALSE(text.is_null());
  EXPECT_EQ(len, 0);

  EXPECT_NE(RegUtil_setValue(nullptr, 0, HKEY_LOCAL_MACHINE, "K", "n"), 0);
  EXPECT_NE(RegUtil_setValue("x", -1, HKEY_LOCAL_MACHINE, "K", "n"), 0);
  EXPECT_NE(RegUtil_setValue("x", 1, static_cast<RegRoot>(1), "K", "n"), 0);
  EXPECT_NE(RegUtil_keyByName(HKEY_LOCAL_MACHINE, nullptr), 0);
}

TEST_F(Registry, RegUtilKeysAndLists) {
  EXPECT_NE(RegUtil_keyByName(HKEY_LOCAL_MACHINE, "SOFTWARE\\KALMITOR"), 0);
  ASSERT_EQ(RegUtil_makeNewKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\KALMITOR\\2"), 0);
  ASSERT_EQ(RegUtil_makeNewKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\KALMITOR\\3"), 0);
  EXPECT_EQ(RegUtil_keyByName(HKEY_LOCAL_MACHINE, "SOFTWARE\\KALMITOR"), 0);
  for (const char* n : {"b", "a"}) ASSERT_EQ(RegUtil_setValue("1", 1, HKEY_LOCAL_MACHINE, "SOFTWARE\\KALMITOR", n), 0);

  StrTab list;
  ASSERT_EQ(RegUtil_SubKeys(&list, HKEY_LOCAL_MACHINE, "SOFTWARE\\KALMITOR"), 0);
  EXPECT_EQ(list.items(), (std::vector<std::string>{"2", "3"}));
  ASSERT_EQ(RegUtil_keyParams(&list, HKEY_LOCAL_MACHINE, "SOFTWARE\\KALMITOR"), 0);
  EXPECT_EQ(list.items(), (std::vector<std::string>{"b", "a"}));
  char** argv = list.argv();
  EXPECT_STREQ(argv[0], "b");
  EXPECT_EQ(argv[2], nullptr);
  RegUtil_deleleStrTabs(&list, list.count());
  EXPECT_TRUE(list.empty());

  EXPECT_NE(RegUtil_Params(&list, HKEY_LOCAL_MACHINE, "SOFTWARE\\Nothing"), 0);
  EXPECT_EQ(list.count(), 0);

  EXPECT_NE(RegUtil_deleteKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\KALMITOR"), 0);
  EXPECT_EQ(RegUtil_deleteKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\KALMITOR\\3"), 0);
  EXPECT_EQ(RegUtil_deleteTree(HKEY_LOCAL_MACHINE, "SOFTWARE"), 0);
  EXPECT_NE(RegUtil_keyByName(HKEY_LOCAL_MACHINE, "SOFTWARE"), 0);
}
