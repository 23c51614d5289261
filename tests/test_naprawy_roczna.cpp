// The annual repair record table: its file layout and its own loader.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/Naprawy_roczna.hpp"
#include "platform/textfile.hpp"

namespace {

class NaprawyRocznaTest : public ::testing::Test {
 protected:
  void SetUp() override { tab = Naprawy_roczna_tab_new(); }
  void TearDown() override { Naprawy_roczna_tab_delete(&tab); }

  // A record with every text empty and every number 0 but those given.
  static Naprawy_roczna record(uint32_t id, uint32_t serwis) {
    Naprawy_roczna r{};
    r.Id = id;
    r.Id_Serwis = serwis;
    vtab_meta<Naprawy_roczna>::for_each_field([&](auto f) {
      if constexpr (std::is_same_v<typename decltype(f)::type, ostr>) decltype(f)::of(r) = "";
    });
    return r;
  }

  // The file the table's own save writes for these records.
  static std::string file_of(const std::vector<Naprawy_roczna>& rows) {
    Naprawy_roczna_tab* t = Naprawy_roczna_tab_new();
    for (const Naprawy_roczna& r : rows) EXPECT_EQ(Naprawy_roczna_tab_insert(t, &r), 0);
    kal::TextOut out;
    Naprawy_roczna_tab_save(out, t);
    Naprawy_roczna_tab_delete(&t);
    return out.text();
  }

  // Loads text into the table; the console lines it printed go to *said.
  int load(const std::string& text, std::string* said = nullptr) {
    kal::TextIn in(text);
    ::testing::internal::CaptureStdout();
    int rc = Naprawy_roczna_tab_load(in, tab);
    std::string out = ::testing::internal::GetCapturedStdout();
    if (said) *said = out;
    return rc;
  }

  std::vector<uint32_t> ids() const {
    std::vector<uint32_t> v;
    for (Naprawy_roczna_listelem* e = tab->first; e != nullptr; e = e->next) v.push_back(e->row->Id);
    return v;
  }

  Naprawy_roczna_tab* tab = nullptr;
};

using Ids = std::vector<uint32_t>;

TEST_F(NaprawyRocznaTest, EmptyRecordIsOneLineOf392CharactersAndTheKeys) {
  std::string text = file_of({record(12, 7)});
  std::string line = text.substr(text.find('\n') + 1);
  std::string want = " 12 7";
  for (int i = 0; i < 100; ++i) want += " ''";
  for (int i = 0; i < 10; ++i) want += " 0";
  for (int i = 0; i < 10; ++i) want += " 0.00";
  for (int i = 0; i < 10; ++i) want += " 0";
  EXPECT_EQ(line, want + "\n");
  EXPECT_EQ(want.size(), 392u + 3u);
}

TEST_F(NaprawyRocznaTest, CompleteFileLoadsWholeWithResultZero) {
  Naprawy_roczna a = record(3, 70);
  a.s00 = "it's";
  a.s47 = "two\nlines";
  a.s99 = "  lead";
  a.t03 = 4102444800LL;
  a.g09 = 12.345;
  a.i00 = -4;
  a.i09 = 9;
  std::string text = file_of({a, record(1, 0), record(1000001, 5)});

  // With and without the last line end, and with blank lines after the last
  // record.
  for (const std::string& t : {text, text.substr(0, text.size() - 1), text + "\n \n\t\n"}) {
    SCOPED_TRACE(t.size());
    Naprawy_roczna_tab_remove_all(tab);
    std::string said;
    EXPECT_EQ(load(t, &said), 0);
    EXPECT_EQ(said, "");
    EXPECT_EQ(ids(), Ids({3, 1, 1000001}));
    EXPECT_EQ(tab->damaged, 0);
  }
  const Naprawy_roczna* r = Naprawy_roczna_tab_get_Id(tab, 3, VTAB_CMP_EQUAL);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->Id_Serwis, 70u);
  EXPECT_STREQ(r->s00.get(), "it's");
  EXPECT_STREQ(r->s47.get(), "two\nlines");
  EXPECT_STREQ(r->s99.get(), "lead") << "leading blanks are not kept";
  EXPECT_STREQ(r->s50.get(), "");
  EXPECT_EQ(r->t03, 4102444800LL);
  EXPECT_DOUBLE_EQ(r->g09, 12.35);
  EXPECT_EQ(r->i00, -4);
  EXPECT_EQ(r->i09, 9);
}

TEST_F(NaprawyRocznaTest, FileWithoutRecordsGivesAnEmptyTable) {
  for (const std::string& t : {std::string(), std::string("KALMITOR 1.0"), file_of({}), file_of({}) + "\n"}) {
    SCOPED_TRACE(t);
    std::string said;
    EXPECT_EQ(load(t, &said), 0);
    EXPECT_EQ(said, "");
    EXPECT_EQ(tab->size, 0);
    EXPECT_EQ(tab->damaged, 0);
  }
}

TEST_F(NaprawyRocznaTest, RecordWithKeyZeroAfterTheFirstIsSkippedAndLoadingGoesOn) {
  std::string said;
  EXPECT_EQ(load(file_of({record(5, 1), record(0, 2), record(7, 3), record(0, 4), record(9, 5)}), &said), -7);
  EXPECT_EQ(said,
            "Naprawy_roczna_tab_load(): new_row.Id=0 size=1\n"
            "Naprawy_roczna_tab_load(): new_row.Id=0 size=2\n");
  EXPECT_EQ(ids(), Ids({5, 7, 9}));
  EXPECT_EQ(tab->damaged, 2) << "the file is kept aside before it is overwritten";
  EXPECT_NE(Naprawy_roczna_tab_get_Id(tab, 9, VTAB_CMP_EQUAL), nullptr) << "the index holds the later records";

  // A first record with the key 0 is taken like any other.
  Naprawy_roczna_tab_remove_all(tab);
  tab->damaged = 0;
  EXPECT_EQ(load(file_of({record(0, 2), record(7, 3)}), &said), 0);
  EXPECT_EQ(said, "");
  EXPECT_EQ(ids(), Ids({0, 7}));
}

TEST_F(NaprawyRocznaTest, FileCutShortKeepsTheRecordsBeforeAndSaysWhere) {
  std::string text = file_of({record(1, 0), record(2, 0), record(3, 0)});
  std::size_t third = text.rfind("\n", text.size() - 2) + 1;  // start of the third record
  // The third record's 50th field is its text slot s47.  A field whose
  // reading meets the end of the file (the byte after a closing quote or
  // after the digits is read to end it) is where the record was cut; the next
  // field only when a separator still follows.
  std::size_t after50 = third;
  for (int quotes = 0; quotes < 2 * 48; ++after50)
    if (text[after50] == '\'') ++quotes;
  struct Case {
    std::string text;
    int field;
  };
  const Case cases[] = {
      {text.substr(0, after50), 50},           // right after the closing quote
      {text.substr(0, after50 - 1), 50},       // inside the text
      {text.substr(0, after50 + 1), 51},       // the blank after it read, field 51 missing
      {text.substr(0, third + 2), 1},          // " 3": the key's digits up to the end
      {text.substr(0, third + 3), 2},          // " 3 ": nothing of the second field
      {text.substr(0, text.size() - 3), 131},  // the last int of the file gone: i08 ends the file
      {text.substr(0, text.size() - 2), 132},  // the blank before i09, its digit gone
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    Naprawy_roczna_tab_remove_all(tab);
    tab->damaged = 0;
    std::string said;
    EXPECT_EQ(load(c.text, &said), -5);
    EXPECT_EQ(said, "Naprawy_roczna_tab_load(): Naprawy_roczna_from_file() failed err=" + std::to_string(c.field) +
                        " !\n");
    EXPECT_EQ(ids(), Ids({1, 2}));
    EXPECT_EQ(tab->damaged, 1);
  }
}

TEST_F(NaprawyRocznaTest, BrokenRecordIsDroppedAndTheNextOneRead) {
  std::string text = file_of({record(1, 0), record(2, 0), record(3, 0)});
  std::size_t second = text.find('\n', text.find('\n') + 1) + 1;
  text.replace(text.find("''", second), 2, "x");  // s00 of the second record without quotes
  std::string said;
  EXPECT_EQ(load(text, &said), 0);
  EXPECT_NE(said.find("field 3 ('s00')"), std::string::npos) << said;
  EXPECT_EQ(ids(), Ids({1, 3}));
  EXPECT_EQ(tab->damaged, 1);
}

}  // namespace
