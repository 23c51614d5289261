// The users administration through the real kalmitor program, with
// "Users.dat" as the oracle: the first user must be an administrator, a user
// needs a firm, a login, a role, a firm and a login of his own; a new user is
// stored with a hashed password, can log in and is a repairer and a receiving
// employee; the only administrator keeps his role and is not deleted; an
// empty password field keeps the password and an edit the creation time;
// deleting oneself leads to the log-in.  No reply and no session file ever holds a password or its hash.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "tests/kal_pages.hpp"

namespace {

namespace fs = std::filesystem;
using kal::pages::has;
using kal::pages::kHead;
using kal::pages::Params;
using kal::pages::Site;

const char kJanPassword[] = "Tajne hasło 1";
const char kAnnaPassword[] = "anna-pass";

// A user's record in "Users.dat": Id, login, password, creation time, role.
struct UserRow {
  std::string id, login, passwd, created, role;
};

std::vector<UserRow> users_of(const std::string& file) {
  std::vector<UserRow> rows;
  static const std::regex row("\r\n (\\d+) '([^']*)' '([^']*)' (-?\\d+) (\\d+)");
  for (auto it = std::sregex_iterator(file.begin(), file.end(), row); it != std::sregex_iterator(); ++it)
    rows.push_back({(*it)[1], (*it)[2], (*it)[3], (*it)[4], (*it)[5]});
  return rows;
}

class UsersPages : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(site_.start()) << site_.log();
    confirm_ = site_.setting("Zatwierdz_button");
  }
  void TearDown() override {
    // Neither a reply nor a session file ever held a password or a hash.
    for (const std::string& reply : replies_) {
      EXPECT_FALSE(has(reply, kJanPassword));
      EXPECT_FALSE(has(reply, kAnnaPassword));
      EXPECT_FALSE(has(reply, "$argon2id$"));
    }
    for (const auto& entry : fs::recursive_directory_iterator(site_.server().install_dir())) {
      const std::string name = entry.path().filename().string();
      if (name.rfind("sess", 0) != 0) continue;
      const std::string text = kal::pages::read_file(entry.path().string());
      EXPECT_FALSE(has(text, kJanPassword)) << name;
      EXPECT_FALSE(has(text, kAnnaPassword)) << name;
      EXPECT_FALSE(has(text, "$argon2id$")) << name;
    }
  }

  std::string post(const Params& fields) {
    replies_.push_back(site_.post(fields));
    return replies_.back();
  }
  std::string new_user(const std::string& id, const std::string& login, const std::string& password,
                       const std::string& role) {
    return post({{"n_235", confirm_},
                 {"Users_Id", id},
                 {"Users_user_name", login},
                 {"Users_user_passwd", password},
                 {"Users_Id_User_types", role}});
  }
  std::string edit_user(const std::string& id, const std::string& login, const std::string& password,
                        const std::string& role) {
    return post({{"n_234", confirm_},
                 {"Users_Id", id},
                 {"Users_user_name", login},
                 {"Users_user_passwd", password},
                 {"Users_Id_User_types", role}});
  }
  bool log_in(const std::string& user, const std::string& password) {
    const bool ok = site_.log_in(user, password);
    replies_.push_back(site_.last());
    return ok && !has(site_.last(), "Złe hasło") && !has(site_.last(), "nie istnieje");
  }

  Site site_{{{"dat/Firmy.dat", kal::pages::firms_file({{1, "Nasz serwis"},
                                                         {5, "Jan <b>Kowalski</b>"},
                                                         {6, "Anna Nowak"},
                                                         {7, "Piotr"}})}}};
  std::string confirm_;
  std::vector<std::string> replies_;
};

TEST_F(UsersPages, NewUsersAreCheckedStoredHashedAndLogIn) {
  // Refused, with nothing stored.
  struct Refusal {
    const char *id, *login, *role, *message;
  };
  const Refusal before_admin[] = {
      {"5", "jan", "2", "Dodaj najpierw administratora!"},
      {"5", "jan", "3", "Dodaj najpierw administratora!"},
      {"0", "jan", "1", "Najpierw wybierz użytkownika!"},
      {"5", "  ", "1", "Login nie może być pusty!"},
  };
  for (const Refusal& r : before_admin) {
    SCOPED_TRACE(r.message);
    const std::string page = new_user(r.id, r.login, kJanPassword, r.role);
    // A refusal is an error, in red, never in the green box.
    EXPECT_TRUE(has(page, std::string("<FONT COLOR=\"RED\">\n") + r.message)) << page;
    EXPECT_FALSE(has(page, "COLOR=\"GREEN\"")) << page;
    EXPECT_TRUE(users_of(site_.dat("Users")).empty());
    // The form again, its password field empty.
    EXPECT_TRUE(has(page, "NAME=Users_user_passwd VALUE=''")) << page;
  }

  // The first administrator: hashed, created now, a repairer and a receiving
  // employee (without a cost row); the list follows, the firm's name escaped.
  std::string page = new_user("5", "jan", kJanPassword, "1");
  std::vector<UserRow> rows = users_of(site_.dat("Users"));
  ASSERT_EQ(rows.size(), 1u) << site_.dat("Users");
  EXPECT_EQ(rows[0].id, "5");
  EXPECT_EQ(rows[0].login, "jan");
  EXPECT_EQ(rows[0].passwd.rfind("$argon2id$", 0), 0u);
  EXPECT_EQ(rows[0].role, "1");
  EXPECT_NEAR(std::stoll(rows[0].created), static_cast<long long>(std::time(nullptr)), 60);
  EXPECT_EQ(site_.dat("Naprawy_wykonawcy"), std::string(kHead) + " 1 5\r\n");
  EXPECT_EQ(site_.dat("Naprawy_przyjmujacy"), std::string(kHead) + " 1 5\r\n");
  EXPECT_EQ(site_.dat("Serwisanci_koszty"), kHead);
  EXPECT_TRUE(has(page, ">Jan &lt;b&gt;Kowalski&lt;/b&gt;</A>")) << page;
  EXPECT_TRUE(has(page, "p.htm?n_234=e&Users_Id=5&")) << page;

  // The password logs in, another does not.
  EXPECT_FALSE(log_in("jan", "tajne"));
  ASSERT_TRUE(log_in("jan", kJanPassword)) << site_.last();

  const Refusal after_admin[] = {
      {"5", "inny", "2", "Firma Jan &lt;b&gt;Kowalski&lt;/b&gt; ma już użytkownika !"},
      {"6", "jan", "2", "Login jan jest już zajęty !"},
      {"6", "anna", "4", "Wybierz rolę użytkownika !"},
      {"6", "anna", "0", "Wybierz rolę użytkownika !"},
  };
  for (const Refusal& r : after_admin) {
    SCOPED_TRACE(r.message);
    page = new_user(r.id, r.login, kAnnaPassword, r.role);
    EXPECT_TRUE(has(page, std::string("<FONT COLOR=\"RED\">\n") + r.message)) << page;
    EXPECT_FALSE(has(page, "COLOR=\"GREEN\"")) << page;
    EXPECT_EQ(users_of(site_.dat("Users")).size(), 1u);
  }
  // A worker; doing it again changes nothing; the firm is linked once.
  new_user("6", "anna", kAnnaPassword, "2");
  const std::string stored = site_.dat("Users");
  EXPECT_EQ(users_of(stored).size(), 2u);
  new_user("6", "anna", kAnnaPassword, "2");
  EXPECT_EQ(site_.dat("Users"), stored);
  EXPECT_EQ(site_.dat("Naprawy_wykonawcy"), std::string(kHead) + " 1 5\r\n 2 6\r\n");
  // Her log-in makes her the repair form's receiving employee and repairer.
  ASSERT_TRUE(log_in("anna", kAnnaPassword));
  bool preselected = false;
  for (const auto& entry : fs::directory_iterator(site_.server().install_dir())) {
    const std::string text = kal::pages::read_file(entry.path().string());
    if (entry.path().filename().string().rfind("sess", 0) == 0 && has(text, "\nprzyjmujacy2 2\r\n") &&
        has(text, "\nwykonawca2 2\r\n"))
      preselected = true;
  }
  EXPECT_TRUE(preselected);
}

TEST_F(UsersPages, TheLastAdministratorStaysAndDeletingOneselfLogsOut) {
  new_user("5", "jan", kJanPassword, "1");
  ASSERT_TRUE(log_in("jan", kJanPassword));
  new_user("6", "anna", kAnnaPassword, "2");
  const std::vector<UserRow> before = users_of(site_.dat("Users"));
  ASSERT_EQ(before.size(), 2u);

  // The only administrator set to role 2 stays 1; the login changes, the
  // password (field left empty) and the creation time stay.
  std::string page = edit_user("5", "janek", "", "2");
  EXPECT_TRUE(has(page, "Nie można zmienić praw administratora tego użytkownika")) << page;
  std::vector<UserRow> rows = users_of(site_.dat("Users"));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].login, "janek");
  EXPECT_EQ(rows[0].role, "1");
  EXPECT_EQ(rows[0].passwd, before[0].passwd);
  EXPECT_EQ(rows[0].created, before[0].created);
  // An edit of one's own user that keeps its Id keeps the session.
  page = edit_user("5", "janek", "", "1");
  EXPECT_FALSE(has(page, "Zostałeś wylogowany")) << page;
  EXPECT_TRUE(has(page, "COLSPAN=4> Użytkownicy")) << page;
  // The edit form never shows the password.
  page = post({{"n_234", "e"}, {"Users_Id", "5"}});
  EXPECT_TRUE(has(page, "NAME=Users_user_passwd VALUE=''")) << page;
  EXPECT_TRUE(has(page, "<option value='1' selected>Administrator")) << page;

  // A new password for anna: stored hashed, and it logs in.
  edit_user("6", "anna", "nowe hasło", "3");
  rows = users_of(site_.dat("Users"));
  EXPECT_NE(rows[1].passwd, before[1].passwd);
  EXPECT_EQ(rows[1].role, "3");

  // The only administrator is not deleted while anna exists; anna is.
  page = post({{"n_234", site_.setting("Usun_button")}, {"Users_Id", "5"}});
  EXPECT_TRUE(has(page, "Nie można usunąć tego użytkownika")) << page;
  EXPECT_EQ(users_of(site_.dat("Users")).size(), 2u);
  post({{"n_234", site_.setting("Usun_button")}, {"Users_Id", "6"}});
  EXPECT_EQ(users_of(site_.dat("Users")).size(), 1u);

  // Deleting oneself: logged out, the log-in page next.
  page = post({{"n_234", site_.setting("Usun_button")}, {"Users_Id", "5"}});
  EXPECT_TRUE(has(page, "Zostałeś wylogowany, ponieważ usunąłeś swojego użytkownika !")) << page;
  EXPECT_TRUE(has(page, "action=\"login.htm\"")) << page;
  EXPECT_TRUE(users_of(site_.dat("Users")).empty());
  page = post({{"n_233", "l"}});
  EXPECT_FALSE(has(page, "COLSPAN=4> Użytkownicy")) << page;
}

}  // namespace
