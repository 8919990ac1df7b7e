#include "host/data/Recordset.hpp"
#include "host/data/recordset/ValueCompare.hpp"

#include <gtest/gtest.h>

// The recordset's Filter, Find and Sort treat text as the database does: case and trailing
// blanks do not count, Lithuanian letters stand beside their base letters.
namespace {

using Talvex::Value;
using Talvex::Data::DataTypeEnum;
using Talvex::Data::Recordset;
using Talvex::Data::SearchDirectionEnum;

// Rows (IDC, Word, Code) in this stored order, bookmarks 1 to 9.
std::shared_ptr<Recordset> MakeWords()
{
    auto rs = std::make_shared<Recordset>();
    rs->Fields().Append("IDC", DataTypeEnum::Integer);
    rs->Fields().Append("Word", DataTypeEnum::VarWChar, 30);
    rs->Fields().Append("Code", DataTypeEnum::VarWChar, 10);
    rs->Open();
    const std::pair<const char*, const char*> rows[] = {
        {"Žalias", "5"},  {"zuikis ", "05"}, {"Šarka", " 7"},   {"sala", "12"},    {"Čiuožėjas", "x"},
        {"cukrus", "7 "}, {"Ąžuolas", "-3"}, {"azotas  ", "0"}, {"Zebras", "5.0"},
    };
    int idc = 0;
    for (const auto& [word, code] : rows) {
        rs->AddNew();
        rs->Fields()("IDC").SetValue(++idc);
        rs->Fields()("Word").SetValue(word);
        rs->Fields()("Code").SetValue(code);
        rs->Update();
    }
    rs->MoveFirst();
    return rs;
}

std::string Words(Recordset& rs)
{
    std::string out;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
        out += (out.empty() ? "" : "|") + rs.Fields()("Word").Value().ToText();
    return out;
}

TEST(RecordsetTextRules, SortPutsMarkedLettersBesideTheirBaseLettersWhateverTheCase)
{
    auto rs = MakeWords();
    rs->SetSort("Word");
    EXPECT_EQ(Words(*rs), "azotas  |Ąžuolas|cukrus|Čiuožėjas|sala|Šarka|Zebras|zuikis |Žalias");
    rs->SetSort("Word DESC");
    EXPECT_EQ(Words(*rs), "Žalias|zuikis |Zebras|Šarka|sala|Čiuožėjas|cukrus|Ąžuolas|azotas  ");
    // Spellings equal under the rules keep the order they were stored in.
    auto same = std::make_shared<Recordset>();
    same->Fields().Append("Word", DataTypeEnum::VarWChar, 10);
    same->Open();
    for (const char* w : {"b", "ABC ", "abc", "Abc  ", "a"}) {
        same->AddNew();
        same->Fields()("Word").SetValue(w);
        same->Update();
    }
    same->SetSort("Word");
    std::string out;
    for (same->MoveFirst(); !same->Eof(); same->MoveNext())
        out += "[" + same->Fields()("Word").Value().ToText() + "]";
    EXPECT_EQ(out, "[a][ABC ][abc][Abc  ][b]");
}

TEST(RecordsetTextRules, FilterComparesWithoutCaseOrTrailingBlanks)
{
    auto rs = MakeWords();
    const std::pair<const char*, const char*> cases[] = {
        // equality goes through the store's lookup; inside OR it asks every row: both agree
        {"Word = 'ZUIKIS'", "zuikis "},
        {"Word = 'zuikis   ' OR IDC = 0", "zuikis "},
        {"Word = 'AZOTAS' AND IDC > 0", "azotas  "},
        {"Word = 'Zalias'", ""},
        {"Word <> 'šarka '", "Žalias|zuikis |sala|Čiuožėjas|cukrus|Ąžuolas|azotas  |Zebras"},
        // ranges by the language: Š between S and T, Ž after Z
        {"Word > 's' AND Word < 't'", "Šarka|sala"},
        {"Word >= 'ZUIKIS '", "Žalias|zuikis "},
        {"Word IN ('SALA', 'cukrus  ')", "sala|cukrus"},
        {"Word LIKE 'z*'", "zuikis |Zebras"},
        {"Word LIKE '*s'", "Žalias|zuikis |Čiuožėjas|cukrus|Ąžuolas|azotas  |Zebras"},
        {"Word LIKE 'azotas '", "azotas  "},
        {"Word LIKE 'sala '", ""},
        {"Word NOT LIKE '%a%'", "zuikis |cukrus"},
    };
    for (const auto& [criteria, expected] : cases) {
        rs->SetFilter(criteria);
        EXPECT_EQ(Words(*rs), expected) << criteria;
    }
}

TEST(RecordsetTextRules, ANumberInAFilterOnTextIsTakenAsText)
{
    // As in ADO, a literal takes its field's type: 5 on a text field is the text '5', and
    // the texts then compare by the rules of text.
    auto rs = MakeWords();
    rs->SetFilter("Code = 5");
    EXPECT_EQ(Words(*rs), "Žalias");
    rs->SetFilter("Code = 7");
    EXPECT_EQ(Words(*rs), "cukrus");
    rs->SetFilter("Code < 1");
    EXPECT_EQ(Words(*rs), "zuikis |Šarka|Ąžuolas|azotas  ");
}

TEST(RecordsetTextRules, FindMovesToTheNextRecordMeetingTheCriterionByTheSameRules)
{
    auto rs = MakeWords();
    rs->SetSort("Word");
    rs->Find("Word = 'ZEBRAS  '");
    ASSERT_FALSE(rs->Eof());
    EXPECT_EQ(rs->Fields()("IDC").Value().ToInteger(), 9);
    // From the current record on, so a second Find without skipping stays.
    rs->Find("Word LIKE 'z*'");
    EXPECT_EQ(rs->Fields()("IDC").Value().ToInteger(), 9);
    rs->Find("Word LIKE 'z*'", 1);
    EXPECT_EQ(rs->Fields()("IDC").Value().ToInteger(), 2);
    rs->Find("Word LIKE 'z*'", 1);
    EXPECT_TRUE(rs->Eof());
    rs->Find("Word < 'D'", 0, SearchDirectionEnum::Backward);
    ASSERT_FALSE(rs->Bof());
    EXPECT_EQ(rs->Fields()("Word").Value().ToText(), "Čiuožėjas");
    rs->Find("Word = 'Nėra'", 0, SearchDirectionEnum::Backward);
    EXPECT_TRUE(rs->Bof());
    // The filter narrows what Find can reach.
    rs->SetFilter("IDC > 4");
    rs->Find("Word = 'sala'");
    EXPECT_TRUE(rs->Eof());
}

TEST(RecordsetTextRules, KeysOfTextAreEqualExactlyWhenTheTextsCompareEqual)
{
    using Talvex::Data::RecordsetDetail::CompareText;
    using Talvex::Data::RecordsetDetail::TextKey;
    const char* texts[] = {"abc", "ABC  ", "Abc", "abč", "ABČ ", "ab", "abcd", "ą", "a", "", "  ", "š", "S"};
    for (const char* a : texts)
        for (const char* b : texts)
            EXPECT_EQ(TextKey(a) == TextKey(b), CompareText(a, b) == 0) << "[" << a << "] [" << b << "]";
    EXPECT_LT(CompareText("a", "ą"), 0);
    EXPECT_LT(CompareText("ą", "b"), 0);
    EXPECT_EQ(CompareText("", "   "), 0);
}

} // namespace
