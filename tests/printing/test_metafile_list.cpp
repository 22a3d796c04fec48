#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "TestSupport.h"
#include "platform/Exception.h"
#include "platform/TempFiles.h"
#include "printing/MetafileList.h"

using namespace qm;
namespace fs = std::filesystem;

namespace {

// A page whose first text is its label, with Lines lines of text under it.
void RecordPage(TMetafile& m, const std::string& label, int lines = 1)
{
    m.Clear();
    m.SetWidth(100);
    m.SetHeight(140);
    TMetafileCanvas c(m);
    c.TextOut(5, 5, label);
    for (int i = 1; i < lines; ++i)
        c.TextOut(5, 5 + 12 * i, "line " + std::to_string(i));
}

std::string FirstText(const TMetafile& m)
{
    std::string text;
    m.EnumerateRecords([&](const TEmfRecord& r) {
        TEmfText t;
        if (!DecodeTextRecord(r, t))
            return true;
        text = t.Text;
        return false;
    });
    return text;
}

int TextCount(const TMetafile& m)
{
    int n = 0;
    m.EnumerateRecords([&](const TEmfRecord& r) {
        n += r.Type == emf::EMR_EXTTEXTOUTW;
        return true;
    });
    return n;
}

std::vector<std::string> PageFiles(const std::string& dir)
{
    std::vector<std::string> files;
    for (const auto& e : fs::directory_iterator(dir)) {
        const std::string name = e.path().filename().string();
        if (name.rfind("PP", 0) == 0 && e.path().extension() == ".tmp")
            files.push_back(e.path().string());
    }
    return files;
}

// Pages go to a temporary folder of the test's own, so its PP*.tmp files can be counted.
class MetafileListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const char* t = std::getenv("TMPDIR"))
            savedTmp_ = t;
        ::setenv("TMPDIR", tmp.path().c_str(), 1);
        list.OnChange = [this](TObject*) { ++changes; };
        list.OnCurrentChange = [this](TObject*, int32_t i) { rewritten.push_back(i); };
    }
    void TearDown() override
    {
        if (savedTmp_.empty())
            ::unsetenv("TMPDIR");
        else
            ::setenv("TMPDIR", savedTmp_.c_str(), 1);
    }
    void AddPages(int n, int lines = 1)
    {
        TMetafile m;
        for (int i = 0; i < n; ++i) {
            RecordPage(m, "page " + std::to_string(i + 1), lines);
            list.Add(m);
        }
    }
    std::vector<int32_t> Offsets() const
    {
        std::vector<int32_t> o;
        for (int32_t i = 0; i < list.Count(); ++i)
            o.push_back(list.Offset(i));
        return o;
    }

    qmtest::TempDir tmp;
    TMetafileList list;
    int changes = 0;
    std::vector<int32_t> rewritten;

private:
    std::string savedTmp_;
};

} // namespace

TEST_F(MetafileListTest, PagesGoBackToBackAndLoadByIndex)
{
    TMetafile m;
    RecordPage(m, "first");
    EXPECT_EQ(list.Add(m), 0);
    RecordPage(m, "second", 3);
    EXPECT_EQ(list.Add(m), 1);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(list.Count(), 2);
    // The caller keeps its metafile; the stream holds exactly the two file forms.
    EXPECT_EQ(TextCount(m), 3);
    EXPECT_EQ(list.Offset(0), 0);
    EXPECT_EQ(list.Offset(1), int32_t(list.Metafiles(0).SaveToData().size()));
    EXPECT_EQ(list.StreamSize(), list.Offset(1) + int64_t(list.Metafiles(1).SaveToData().size()));
    EXPECT_EQ(FirstText(list.Metafiles(1)), "second");
    EXPECT_EQ(FirstText(list.Metafiles(0)), "first");
    EXPECT_EQ(list.Metafiles(0).Width(), 100);
    EXPECT_THROW(list.Metafiles(2), EListError);
    EXPECT_THROW(list.Metafiles(-1), EListError);
    EXPECT_TRUE(rewritten.empty()); // loading is no change
    list.Clear();
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.LoadedIndex(), -1);
}

TEST_F(MetafileListTest, ARepeatedIndexLoadsOnceAndChangesAreWrittenBack)
{
    list.SetUseTempFile(true);
    AddPages(3);
    TMetafile& page = list.Metafiles(1);
    // Spoil page 2's bytes on disk: a second request for it does not read them again.
    {
        const std::string file = list.TempFileName();
        std::string bytes = qmtest::ReadFile(file);
        bytes[size_t(list.Offset(1))] = 'X';
        qmtest::WriteFile(file, bytes);
    }
    EXPECT_EQ(&list.Metafiles(1), &page);
    EXPECT_EQ(FirstText(list.Metafiles(1)), "page 2");
    // Another page and back: now the damage shows, and the cache keeps the page it held.
    EXPECT_EQ(FirstText(list.Metafiles(2)), "page 3");
    EXPECT_THROW(list.Metafiles(1), EInvalidGraphic);
    EXPECT_EQ(FirstText(list.Metafiles(2)), "page 3");
    EXPECT_EQ(list.LoadedIndex(), 2);

    // Drawing more on the loaded page rewrites it (it is the last one: nothing moves).
    const std::vector<int32_t> before = Offsets();
    const int64_t size = list.StreamSize();
    {
        TMetafileCanvas c(list.Metafiles(2));
        c.TextOut(5, 60, "added later");
    }
    EXPECT_EQ(rewritten, std::vector<int32_t>{2});
    EXPECT_EQ(Offsets(), before);
    EXPECT_GT(list.StreamSize(), size);
    list.Metafiles(0);
    EXPECT_EQ(TextCount(list.Metafiles(2)), 2);
}

TEST_F(MetafileListTest, RewritingTheLastPageResizesTheStreamOnly)
{
    AddPages(3, 4);
    const std::vector<int32_t> before = Offsets();
    const int64_t size = list.StreamSize();
    TMetafile small;
    RecordPage(small, "short");
    const int64_t smaller =
        int64_t(list.Metafiles(2).SaveToData().size()) - int64_t(small.SaveToData().size());
    ASSERT_GT(smaller, 0);
    list.Metafiles(2).Assign(small);
    EXPECT_EQ(list.StreamSize(), size - smaller);
    EXPECT_EQ(Offsets(), before);
    TMetafile big;
    RecordPage(big, "long", 9);
    const int64_t larger = int64_t(big.SaveToData().size()) - int64_t(small.SaveToData().size());
    list.Metafiles(2).Assign(big);
    EXPECT_EQ(list.StreamSize(), size - smaller + larger);
    EXPECT_EQ(Offsets(), before);
    EXPECT_EQ(rewritten, (std::vector<int32_t>{2, 2}));
    list.Metafiles(0);
    EXPECT_EQ(TextCount(list.Metafiles(2)), 9);
}

TEST_F(MetafileListTest, RewritingAMiddlePageMovesTheTail)
{
    list.SetUseTempFile(true);
    AddPages(4, 2);
    const std::vector<int32_t> before = Offsets();
    const std::string file = list.TempFileName();
    const std::string tailBefore = qmtest::ReadFile(file).substr(size_t(before[2]));

    // The same size (a new width only changes the frame): nothing moves.
    list.Metafiles(1).SetWidth(120);
    EXPECT_EQ(Offsets(), before);
    EXPECT_EQ(qmtest::ReadFile(file).substr(size_t(before[2])), tailBefore);

    // Larger: the pages behind move by the growth, and all still load.
    TMetafile big;
    RecordPage(big, "grown", 6);
    const int32_t growth = int32_t(big.SaveToData().size()) - (before[2] - before[1]);
    list.Metafiles(1).Assign(big);
    EXPECT_EQ(Offsets(),
              (std::vector<int32_t>{before[0], before[1], before[2] + growth, before[3] + growth}));
    EXPECT_EQ(qmtest::ReadFile(file).substr(size_t(before[2] + growth)), tailBefore);
    EXPECT_EQ(FirstText(list.Metafiles(3)), "page 4");
    EXPECT_EQ(FirstText(list.Metafiles(2)), "page 3");
    EXPECT_EQ(FirstText(list.Metafiles(1)), "grown");
    EXPECT_EQ(list.Metafiles(1).Width(), 100);
    EXPECT_EQ(rewritten, (std::vector<int32_t>{1, 1}));
}

TEST_F(MetafileListTest, TheTemporaryFileComesAndGoesWithTheSwitch)
{
    AddPages(3);
    EXPECT_TRUE(PageFiles(tmp.path()).empty());
    list.SetUseTempFile(true);
    const std::vector<std::string> files = PageFiles(tmp.path());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0], list.TempFileName());
    struct stat st {};
    ASSERT_EQ(::stat(files[0].c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u); // the owner's only
    EXPECT_EQ(st.st_size, list.StreamSize());
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(FirstText(list.Metafiles(i)), "page " + std::to_string(i + 1));
    list.SetUseTempFile(false);
    EXPECT_TRUE(PageFiles(tmp.path()).empty());
    EXPECT_EQ(list.TempFileName(), "");
    for (int i = 2; i >= 0; --i)
        EXPECT_EQ(FirstText(list.Metafiles(i)), "page " + std::to_string(i + 1));

    // Clear deletes it; the next page makes a new one; destruction deletes that.
    list.SetUseTempFile(true);
    EXPECT_EQ(PageFiles(tmp.path()).size(), 1u);
    list.Clear();
    EXPECT_TRUE(PageFiles(tmp.path()).empty());
    AddPages(1);
    EXPECT_EQ(PageFiles(tmp.path()).size(), 1u);
    {
        TMetafileList other;
        other.SetUseTempFile(true);
        TMetafile m;
        RecordPage(m, "x");
        other.Add(m);
        EXPECT_EQ(PageFiles(tmp.path()).size(), 2u);
    }
    EXPECT_EQ(PageFiles(tmp.path()).size(), 1u);
}

TEST_F(MetafileListTest, AnOffsetBeyondThirtyTwoBitsIsARangeErrorBeforeAnyWrite)
{
    list.SetUseTempFile(true);
    AddPages(1);
    // Make the file reach 2 GiB without using the disk (a sparse end).
    const std::string file = list.TempFileName();
    ASSERT_EQ(::truncate(file.c_str(), off_t(1) << 31), 0);
    TMetafile m;
    RecordPage(m, "too far");
    EXPECT_THROW(list.Add(m), ERangeError);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.StreamSize(), int64_t(1) << 31);
    EXPECT_EQ(changes, 1);
    list.Clear();
    EXPECT_TRUE(PageFiles(tmp.path()).empty());
}

TEST_F(MetafileListTest, FailedWritesLeaveTheStoreAsItWas)
{
    list.SetUseTempFile(true);
    {
        // The very first page cannot be written: its temporary file goes too.
        qmtest::FileSizeLimit limit(100);
        TMetafile m;
        RecordPage(m, "first");
        EXPECT_THROW(list.Add(m), EInOutError);
    }
    EXPECT_EQ(list.Count(), 0);
    EXPECT_TRUE(PageFiles(tmp.path()).empty());

    AddPages(3);
    const std::vector<int32_t> before = Offsets();
    const int64_t size = list.StreamSize();
    const std::string bytes = qmtest::ReadFile(list.TempFileName());
    {
        qmtest::FileSizeLimit limit(size + 10);
        TMetafile m;
        RecordPage(m, "fourth", 5);
        EXPECT_THROW(list.Add(m), EInOutError);
        EXPECT_EQ(list.StreamSize(), size);
        // A middle page that grows past the limit is put back as it was.
        TMetafile big;
        RecordPage(big, "grown", 8);
        EXPECT_THROW(list.Metafiles(1).Assign(big), EInOutError);
    }
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(Offsets(), before);
    EXPECT_EQ(qmtest::ReadFile(list.TempFileName()), bytes);
    EXPECT_TRUE(rewritten.empty());
    EXPECT_EQ(FirstText(list.Metafiles(1)), "page 2");
    EXPECT_EQ(FirstText(list.Metafiles(2)), "page 3");

    // Moving the pages into memory and back: a file that cannot take them is removed and
    // the pages stay where they were.
    list.SetUseTempFile(false);
    EXPECT_TRUE(PageFiles(tmp.path()).empty());
    {
        qmtest::FileSizeLimit limit(size / 2);
        EXPECT_THROW(list.SetUseTempFile(true), EInOutError);
    }
    EXPECT_FALSE(list.UseTempFile());
    EXPECT_TRUE(PageFiles(tmp.path()).empty());
    EXPECT_EQ(FirstText(list.Metafiles(0)), "page 1");
}
