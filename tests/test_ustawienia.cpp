// The settings store: look-up, range checks, the merge of "ustawienia0.txt",
// the globals and the settings file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "pdf/topdf.hpp"
#include "platform/textfile.hpp"
#include "server/oo_texts.hpp"
#include "server/sess.hpp"
#include "server/texts.hpp"
#include "server/ustawienia.hpp"
#include "tests/sess_env.hpp"

namespace {

using namespace sess_env;

class Store : public ::testing::Test {
 protected:
  ~Store() override {
    hashtbl_delete(&actual_sess);
    oo_texts_set_lang(0);
  }
  InstallDir dir;
  Settings settings;
};

TEST(StoreAbsent, KeysReadAsThemselvesAndNothingIsStored) {
  ASSERT_EQ(ustawienia_ht, nullptr);
  EXPECT_STREQ(ustawienia_get("Zatwierdz_button"), "Zatwierdz_button");
  EXPECT_STREQ(ustawienia_get(nullptr), "");
  EXPECT_EQ(ustawienia_upd("a", "b"), -1);
  EXPECT_EQ(ustawienia_upd_ifno("a", "b"), -1);
  EXPECT_EQ(kal::ustawienia_save(), -1);
}

TEST_F(Store, MissingKeyGivesTheKeyStoredKeyItsValue) {
  EXPECT_STREQ(ustawienia_get("Zatwierdz_button"), "Zatwierdz_button");
  EXPECT_EQ(ustawienia_upd("Zatwierdz_button", "Zatwierdź"), 0);
  EXPECT_STREQ(ustawienia_get("Zatwierdz_button"), "Zatwierdź");
  EXPECT_EQ(ustawienia_upd_ifno("Zatwierdz_button", "other"), 0);
  EXPECT_STREQ(ustawienia_get("Zatwierdz_button"), "Zatwierdź") << "a stored key keeps its value";
  EXPECT_EQ(ustawienia_is_internal("backup_path"), 1);
  EXPECT_EQ(ustawienia_is_internal("backup_time"), 0);
}

TEST_F(Store, RangeCheckedKeysRefuseWhatIsNotANumberInRange) {
  struct Case {
    const char* key;
    const char* value;
    int rc;
  };
  const Case cases[] = {
      {"Logowanie_timeout", "599", -2},
      {"Logowanie_timeout", "600", 0},
      {"Logowanie_timeout", "31622400", 0},
      {"Logowanie_timeout", "31622401", -2},
      {"Logowanie_timeout", "99999999999999999999", -2},
      {"Logowanie_timeout", "godzina", -2},
      {"Logowanie_timeout", "", -2},
      {"Logowanie_timeout", " \t700", 0},
      {"Logo_pozycja_x", "0", 0},
      {"Logo_pozycja_x", "-300", 0},
      {"Logo_pozycja_x", "-301", -2},
      {"Firm_na_stronie", "9", -2},
      {"Firm_na_stronie", "20 wierszy", 0},
      {"start_page_id", "+30", 0},
      {"Logowanie_timeoutX", "anything", 0},
      {"logowanie_timeout", "1", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.key) + "=" + c.value);
    hashtbl_put(ustawienia_ht, c.key, "before");
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(ustawienia_upd(c.key, c.value), c.rc);
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_STREQ(ustawienia_get(c.key), c.rc == 0 ? c.value : "before");
    if (c.rc != 0) {
      EXPECT_EQ(out, std::string("ustawienia_upd('") + c.key + "','" + c.value + "') !ustawienia_validate_int() err=-10\n");
    }
  }
  EXPECT_EQ(ustawienia_validate_int(nullptr, "1"), -1);
  EXPECT_EQ(ustawienia_validate_int("a", nullptr), -2);
  EXPECT_EQ(validate_int(nullptr, 0, 1), -2);
  EXPECT_EQ(validate_int("x", 0, 1), -10);
  EXPECT_EQ(validate_int("-1", 0, 1), -20);
  EXPECT_EQ(validate_int("2", 0, 1), -30);
  EXPECT_EQ(validate_int("-", 0, 1), 0) << "a lone sign reads as 0";
  EXPECT_EQ(is_number("\r\n 12abc"), 1);
  EXPECT_EQ(is_number(" "), 0);
  EXPECT_EQ(is_number(nullptr), 0);
}

// Pages divide by the list page sizes and count days with the offsets: their
// readers never get 0 or a value out of range.  A page size is taken as
// stored as long as it makes pages of at least one row.
TEST_F(Store, NumericReaderKeepsRangeCheckedValuesInRange) {
  const struct {
    const char* key;
    const char* stored;  // nullptr: missing (before any case stores the key)
    long read;
  } cases[] = {
      {"Firm_na_stronie", nullptr, 1},    {"Napraw_na_stronie", "0", 1},
      {"Napraw_na_stronie", "-4", 1},     {"Napraw_na_stronie", "abc", 1},
      {"Firm_na_stronie", "5", 5},        {"Towarow_na_stronie", "1200", 1200},
      {"Sprzetu_na_stronie", "25", 25},   {"Transakcji_na_stronie", "1", 1},
      {"szacunkowa_data_offset", nullptr, 1}, {"szacunkowa_data_offset", "500", 366},
      {"Zaplanuj_za_dni", "0", 1},
  };
  for (const auto& c : cases) {
    if (c.stored) hashtbl_put(ustawienia_ht, c.key, c.stored);
    EXPECT_EQ(ustawienia_get_l(c.key), c.read) << c.key << "=" << (c.stored ? c.stored : "(missing)");
  }
  EXPECT_EQ(ustawienia_get_l("Faktura_oryginal_kopia"), 0) << "no range: as atol";
  hashtbl_put(ustawienia_ht, "Faktura_oryginal_kopia", "2");
  EXPECT_EQ(ustawienia_get_l("Faktura_oryginal_kopia"), 2);
}

TEST_F(Store, MergeOfTheSecondFileAddsKeysAndAlwaysTakesTheSaleDateCaption) {
  hashtbl_put(ustawienia_ht, "Data_sprzedazy_text", "old");
  hashtbl_put(ustawienia_ht, "Firm_na_stronie", "20");
  write_bytes("ustawienia0.txt",
              "Data_sprzedazy_text Data sprzedaży\r\nFirm_na_stronie 50\r\nNapraw_na_stronie 30\r\n"
              "Towarow_na_stronie 5\r\nnowy_klucz tak\r\n");
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(ustawienia0(), 0);
  ::testing::internal::GetCapturedStdout();
  EXPECT_STREQ(ustawienia_get("Data_sprzedazy_text"), "Data sprzedaży");
  EXPECT_STREQ(ustawienia_get("Firm_na_stronie"), "20");
  EXPECT_STREQ(ustawienia_get("Napraw_na_stronie"), "30");
  EXPECT_STREQ(ustawienia_get("Towarow_na_stronie"), "Towarow_na_stronie") << "out of range, not added";
  EXPECT_STREQ(ustawienia_get("nowy_klucz"), "tak");
  EXPECT_FALSE(kal::file_exists("ustawienia.txt")) << "the merge is not written";
}

TEST_F(Store, SetCopiesTheSettingsIntoTheGlobals) {
  for (auto [k, v] : std::vector<std::pair<const char*, const char*>>{{"Faktura_oryginal_kopia", "2"},
                                                                      {"Logo_nazwa_pliku", "FIRMA.JPG"},
                                                                      {"Logo_szerokosc", "200"},
                                                                      {"Logo_wysokosc", "80"},
                                                                      {"Logo_pozycja_x", "-5"},
                                                                      {"Logo_pozycja_y", "7"},
                                                                      {"Prints_rfid", "0"},
                                                                      {"lang", "2"}})
    hashtbl_put(ustawienia_ht, k, v);
  EXPECT_EQ(Ustawienia_set(), 0);
  EXPECT_EQ(Faktura_oryginal_kopia, 2);
  EXPECT_EQ(pdf_logo_fname, "img\\FIRMA.JPG");
  EXPECT_EQ(pdf_logo_width, 200);
  EXPECT_EQ(pdf_logo_height, 80);
  EXPECT_EQ(pdf_logo_pos_x, -5);
  EXPECT_EQ(pdf_logo_pos_y, 7);
  EXPECT_EQ(pdf_use_img_rfid, 0);
  EXPECT_EQ(oo_texts_get_lang(), 2);
  EXPECT_STREQ(ustawienia_get("backup_path"), "") << "an empty backup path is stored when there is none";

  // Missing keys read as their own names: 0 for numbers.
  hashtbl_clear(ustawienia_ht);
  EXPECT_EQ(Ustawienia_set(), 0);
  EXPECT_EQ(pdf_logo_fname, "img\\Logo_nazwa_pliku");
  EXPECT_EQ(pdf_logo_width, 0);
  EXPECT_EQ(oo_texts_get_lang(), 0);
  pdf_logo_fname = "img\\LOGO.JPG";
  pdf_logo_width = 140;
  pdf_logo_height = 70;
  pdf_logo_pos_x = 50;
  pdf_logo_pos_y = 55;
  pdf_use_img_rfid = 1;
}

TEST_F(Store, BackupTimeIsReadFromThePageVariables) {
  struct Case {
    const char* text;
    int seconds;
  };
  const Case cases[] = {{"18:15", 65700}, {"9", 32400}, {"07:30", 27000}, {"7:30", 25200}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    sess_put("backup_time", c.text);
    EXPECT_EQ(set_backup_vars(), 0);
    EXPECT_EQ(backup_time, c.seconds);
  }
  sess_put("backup_time", "");
  EXPECT_EQ(set_backup_vars(), -1);
  EXPECT_EQ(backup_time, 25200) << "unchanged";
  sess_put("backup_path", "/srv/kopie");
  hashtbl_put(ustawienia_ht, "backup_path", "/mnt/backup");
  set_backup_vars();
  EXPECT_STREQ(ustawienia_get("backup_path"), "/mnt/backup") << "stored only when the store has none";
  backup_time = 65700;
}

TEST_F(Store, SettingsFileRoundTripsByteForByte) {
  hashtbl* t = hashtbl_new(2000);
  for (auto [k, v] : std::vector<std::pair<const char*, const char*>>{{"Zatwierdz_button", "Zatwierdź"},
                                                                      {"backup_path", "C:\\kopie\\"},
                                                                      {"Stopka_text", "wiersz 1\nwiersz 2"},
                                                                      {"Logowanie_timeout", "3600"},
                                                                      {"ąkey", "ś"},
                                                                      {"pusty", ""}})
    hashtbl_put(t, k, v);
  hashtbl_save(t, "ustawienia.txt");
  hashtbl_delete(&t);
  const std::string bytes = read_bytes("ustawienia.txt");
  EXPECT_NE(bytes.find("backup_path C:\\\\kopie\\\\\r\n"), std::string::npos) << bytes;
  EXPECT_NE(bytes.find("Stopka_text wiersz 1\\nwiersz 2\r\n"), std::string::npos) << bytes;

  kal::ustawienia_free();
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(kal::ustawienia_load(), 0);
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("mages_init(): load ustawienia_ht from ustawienia.txt\n"), std::string::npos);
  EXPECT_STREQ(ustawienia_get("Stopka_text"), "wiersz 1\nwiersz 2");
  std::filesystem::remove("ustawienia.txt");
  EXPECT_EQ(kal::ustawienia_save(), 0);
  EXPECT_EQ(read_bytes("ustawienia.txt"), bytes);

  // A file that cannot be written is reported; the store stays.
  std::filesystem::remove("ustawienia.txt");
  std::filesystem::create_directories("ustawienia.txt/x");
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(kal::ustawienia_save(), -1);
  ::testing::internal::GetCapturedStdout();
}

// The Polish texts take their invoice heading and their bill wording from
// the settings.
TEST_F(Store, PolishTextsFollowTheSettings) {
  EXPECT_STREQ(tr(246), "Faktura VAT nr");
  hashtbl_put(ustawienia_ht, "tr_Faktura_VAT_nr", "Faktura nr");
  EXPECT_STREQ(tr(246), "Faktura nr");
  EXPECT_STREQ(tr(39), "Faktura");
  rachunki_zamiast_faktur = 1;
  EXPECT_STREQ(tr(39), "Rachunek");
  rachunki_zamiast_faktur = 0;
}

}  // namespace
