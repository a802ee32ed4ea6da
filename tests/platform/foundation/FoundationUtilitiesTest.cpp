#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <set>

#include "TestSupport.h"
#include "platform/foundation/Crypto.h"
#include "platform/foundation/Date.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Resources.h"
#include "platform/foundation/Url.h"

namespace {

TEST(Crypto, Md5KnownVectorsAndUuidShape) {
  EXPECT_EQ(vl::md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(vl::md5Hex("The quick brown fox jumps over the lazy dog"), "9e107d9d372bb6826bd81d3542a419d6");
  std::set<std::string> seen;
  for (int i = 0; i < 100; ++i) {
    std::string u = vl::uuidString();
    ASSERT_EQ(u.size(), 36u);
    EXPECT_EQ(u[8], '-');
    EXPECT_EQ(u[14], '4');
    for (char c : u) EXPECT_TRUE(c == '-' || std::isdigit(c) || (c >= 'A' && c <= 'F')) << u;
    seen.insert(u);
  }
  EXPECT_EQ(seen.size(), 100u);
}

TEST(Url, PercentEncodingRoundTrips) {
  const std::string texts[] = {"a b&c=d#e+f?g/h", "\xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80", "100%", ""};
  for (const std::string& t : texts) {
    for (auto set : {vl::PercentSet::QueryComponent, vl::PercentSet::Path, vl::PercentSet::Query})
      EXPECT_EQ(vl::percentDecode(vl::percentEncode(t, set)), t);
  }
  EXPECT_EQ(vl::percentEncode("a b&c=d#e+f/"), "a%20b%26c%3Dd%23e%2Bf%2F");
  EXPECT_EQ(vl::percentEncode("/a b/c", vl::PercentSet::Path), "/a%20b/c");
  EXPECT_EQ(vl::percentDecode("%zz%4"), "%zz%4");  // malformed escapes are kept as written
  EXPECT_EQ(vl::percentDecode("a+b", true), "a b");
}

TEST(Url, ParseAndFileUrls) {
  auto url = vl::Url::parse("HTTPS://user@Example.com:8443/p/a%20th?q=1&r=2#frag");
  ASSERT_TRUE(url);
  EXPECT_EQ(url->scheme, "https");
  EXPECT_EQ(url->host, "example.com");
  EXPECT_EQ(url->port, 8443);
  EXPECT_EQ(url->path, "/p/a%20th");
  EXPECT_EQ(url->query, "q=1&r=2");
  EXPECT_EQ(url->fragment, "frag");
  EXPECT_EQ(url->toString(), "https://user@example.com:8443/p/a%20th?q=1&r=2#frag");
  EXPECT_FALSE(vl::Url::parse("no scheme here"));
  EXPECT_FALSE(vl::Url::parse("http://host:99999/"));
  EXPECT_EQ(vl::Url::parse("http://[::1]:80/")->host, "[::1]");

  const std::string path = "/tmp/a b/#1?\xE4\xB8\xAD.png";
  std::string fileUrl = vl::fileUrlFromPath(path);
  EXPECT_EQ(fileUrl, "file:///tmp/a%20b/%231%3F%E4%B8%AD.png");
  EXPECT_EQ(vl::pathFromFileUrl(fileUrl), path);
  EXPECT_FALSE(vl::pathFromFileUrl("http://example.com/x"));
  EXPECT_FALSE(vl::pathFromFileUrl("file://otherhost/x"));
}

TEST(Files, AtomicWriteModeAndListingErrors) {
  vl::test::TempDir dir;
  const std::string file = dir / "sub/deeper/f.txt";
  ASSERT_TRUE(vl::files::createDirectories(vl::files::deletingLastPathComponent(file)));
  ASSERT_TRUE(vl::files::atomicWrite(file, "one", 0600));
  ASSERT_TRUE(vl::files::atomicWrite(file, "two", 0600));
  EXPECT_EQ(vl::files::readFile(file), "two");
  EXPECT_EQ(vl::files::fileSize(file), 3u);
  struct stat st;
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  // No temporaries are left behind.
  EXPECT_EQ(vl::files::listDirectory(dir / "sub/deeper").names, std::vector<std::string>{"f.txt"});
  EXPECT_FALSE(vl::files::readFile(dir / "missing"));

  EXPECT_EQ(vl::files::listDirectory(dir / "missing").status, vl::files::ListStatus::Missing);
  EXPECT_EQ(vl::files::listDirectory(file).status, vl::files::ListStatus::NotDirectory);
  if (::geteuid() != 0) {
    const std::string closed = dir / "closed";
    ASSERT_TRUE(vl::files::createDirectories(closed));
    ::chmod(closed.c_str(), 0);
    EXPECT_EQ(vl::files::listDirectory(closed).status, vl::files::ListStatus::NoPermission);
    ::chmod(closed.c_str(), 0700);
  }
}

// A write that takes nothing and names no error (a device or a file system that does so): writeAll gives
// up at once, with errno set, so a caller that reports strerror(errno) does not report a stale error.
// The child process is made to see that write from the kernel itself (a seccomp filter answering 0).
TEST(Files, AWriteThatTakesNothingFailsWithErrnoSet) {
  enum : int { kEio = 0, kStaleErrno = 1, kWrote = 2, kNoFilter = 3 };
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const int fd = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (fd < 0) ::_exit(kNoFilter);
    // The low word of the first argument (the descriptor), wherever the byte order puts it.
    constexpr std::size_t kFdWord =
        offsetof(struct seccomp_data, args[0]) + (__BYTE_ORDER__ == __ORDER_BIG_ENDIAN__ ? 4 : 0);
    struct sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_write, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, kFdWord),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<unsigned>(fd), 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    struct sock_fprog program = {static_cast<unsigned short>(sizeof filter / sizeof filter[0]), filter};
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
        ::syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &program) != 0)
      ::_exit(kNoFilter);
    errno = 0;
    if (vl::files::writeAll(fd, "some bytes")) ::_exit(kWrote);
    ::_exit(errno == EIO ? kEio : kStaleErrno);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == kNoFilter) GTEST_SKIP() << "no seccomp filter can be set here";
  EXPECT_EQ(WEXITSTATUS(status), kEio) << "1: false with a stale errno, 2: it claimed the bytes went in";
}

TEST(Files, CopyMoveAndRemoveRecursive) {
  vl::test::TempDir dir;
  ASSERT_TRUE(vl::files::atomicWrite(dir / "a", "data"));
  EXPECT_TRUE(vl::files::copyFile(dir / "a", dir / "b"));
  EXPECT_FALSE(vl::files::copyFile(dir / "a", dir / "b"));  // no silent overwrite
  EXPECT_TRUE(vl::files::moveFile(dir / "b", dir / "c"));
  EXPECT_FALSE(vl::files::exists(dir / "b"));
  EXPECT_EQ(vl::files::readFile(dir / "c"), "data");
  EXPECT_TRUE(vl::files::modificationTime(dir / "c").has_value());

  // A link inside the removed tree is removed, not followed.
  vl::test::TempDir outside;
  ASSERT_TRUE(vl::files::atomicWrite(outside / "keep", "x"));
  ASSERT_TRUE(vl::files::createDirectories(dir / "tree/inner"));
  ASSERT_EQ(::symlink(outside.path().c_str(), (dir / "tree/inner/link").c_str()), 0);
  EXPECT_TRUE(vl::files::removeRecursive(dir / "tree"));
  EXPECT_FALSE(vl::files::exists(dir / "tree"));
  EXPECT_TRUE(vl::files::exists(outside / "keep"));
  EXPECT_TRUE(vl::files::removeRecursive(dir / "never-was"));
}

// Whatever a path names, reading it never waits for a writer and never runs past what was asked for.
TEST(Files, OnlyRegularFilesAreReadAndOnlyAsFarAsAllowed) {
  vl::test::TempDir dir;
  ASSERT_TRUE(vl::files::atomicWrite(dir / "ten", "0123456789"));
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  ASSERT_TRUE(vl::files::createDirectories(dir / "folder"));
  struct Case {
    std::string path;
    std::optional<std::string> whole, capped, head;  // readFile, readFile(.., 9), readFileHead(.., 4)
  };
  const std::vector<Case> cases = {
      {dir / "ten", "0123456789", std::nullopt, "0123"},
      {dir / "fifo", std::nullopt, std::nullopt, std::nullopt},
      {"/dev/zero", std::nullopt, std::nullopt, std::nullopt},
      {dir / "folder", std::nullopt, std::nullopt, std::nullopt},
      {dir / "missing", std::nullopt, std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(vl::files::readFile(c.path), c.whole);
    EXPECT_EQ(vl::files::readFile(c.path, 9), c.capped);
    EXPECT_EQ(vl::files::readFileHead(c.path, 4), c.head);
    EXPECT_EQ(vl::files::copyFile(c.path, dir / "copy"), c.whole.has_value());
  }
  EXPECT_EQ(vl::files::readFile(dir / "copy"), "0123456789");
}

TEST(Files, PathHelpersAndHome) {
  EXPECT_EQ(vl::files::lastPathComponent("/a/b.tar.gz/"), "b.tar.gz");
  EXPECT_EQ(vl::files::deletingLastPathComponent("/a/b"), "/a");
  EXPECT_EQ(vl::files::deletingLastPathComponent("/a"), "/");
  EXPECT_EQ(vl::files::pathExtension("/a/b.PNG"), "PNG");
  EXPECT_EQ(vl::files::pathExtension("/a/.hidden"), "");
  EXPECT_EQ(vl::files::joinPath("/a/", "/b"), "/a/b");
  vl::test::ScopedEnv home("HOME", "/somewhere/else");
  EXPECT_EQ(vl::files::homeDirectory(), "/somewhere/else");
}

class DateTest : public ::testing::Test {
 protected:
  void TearDown() override { vl::date::setDefaultTimeZone(""); }
};

TEST_F(DateTest, FormatAndParseInTheLocalZone) {
  ASSERT_TRUE(vl::date::setDefaultTimeZone("Asia/Shanghai"));
  // 2024-03-05 00:00:00 in Shanghai (UTC+8) is 2024-03-04 16:00:00 UTC.
  const double midnight = 1709568000;
  EXPECT_EQ(vl::date::format(midnight, "yyyy-MM-dd HH:mm:ss"), "2024-03-05 00:00:00");
  EXPECT_EQ(vl::date::parse("2024-03-05", "yyyy-MM-dd"), midnight);
  EXPECT_EQ(vl::date::parse("2024-03-05 00:00:00", "yyyy-MM-dd HH:mm:ss"), midnight);
  EXPECT_EQ(vl::date::startOfDay(midnight + 3600 * 23.5), midnight);
  EXPECT_EQ(vl::date::secondsFromGMT(midnight), 8 * 3600);
  // Folder names that are not dates never parse.
  for (const char* bad : {"2024-13-01", "2024-02-30", "images", "2024-03-05x", ""})
    EXPECT_FALSE(vl::date::parse(bad, "yyyy-MM-dd")) << bad;
}

TEST_F(DateTest, CalendarDaysAcrossADaylightSavingChange) {
  ASSERT_TRUE(vl::date::setDefaultTimeZone("Europe/Berlin"));
  // 2024-03-30 12:00 CET; clocks went forward on 2024-03-31.
  const double before = *vl::date::parse("2024-03-30 12:00:00", "yyyy-MM-dd HH:mm:ss");
  const double next = vl::date::addCalendarDays(before, 1);
  EXPECT_EQ(vl::date::format(next, "yyyy-MM-dd HH:mm:ss"), "2024-03-31 12:00:00");
  EXPECT_EQ(next - before, 23 * 3600);
  EXPECT_EQ(vl::date::addCalendarDays(next, -1), before);
  const double week = vl::date::addCalendarDays(before, 7);
  EXPECT_EQ(vl::date::format(week, "yyyy-MM-dd HH:mm:ss"), "2024-04-06 12:00:00");
  // The day of the change is 23 hours long.
  const double day = vl::date::startOfDay(next);
  EXPECT_EQ(vl::date::startOfDay(vl::date::addCalendarDays(day, 1)) - day, 23 * 3600);
}

TEST_F(DateTest, UnknownZoneIsRefused) {
  vl::test::LogCapture logs;
  ASSERT_TRUE(vl::date::setDefaultTimeZone("Asia/Shanghai"));
  EXPECT_FALSE(vl::date::setDefaultTimeZone("Mars/Olympus"));
  EXPECT_EQ(vl::date::defaultTimeZoneId(), "Asia/Shanghai");
}

TEST(Localization, TableLookupAndMissingKeys) {
  vl::test::ScopedEnv env("VELLISTO_RESOURCES", VL_RESOURCES_DIR);
  vl::resetResourceDirectoryForTesting();
  vl::reloadStringTableForTesting();
  EXPECT_EQ(vl::localized("ok"), "OK");
  EXPECT_EQ(vl::localized("no.such.key"), "no.such.key");
  EXPECT_EQ(vl::localizedFormat("sync.deliver.device.connected", "Laptop"), "Laptop connected");
}

TEST(Localization, BrokenTableOrMissingFolderShowsKeys) {
  vl::test::TempDir dir;
  ASSERT_TRUE(vl::files::createDirectories(dir / "strings"));
  ASSERT_TRUE(vl::files::atomicWrite(dir / "strings/en.json", "{\"ok\": "));
  vl::test::LogCapture logs;
  {
    vl::test::ScopedEnv env("VELLISTO_RESOURCES", dir.path());
    vl::resetResourceDirectoryForTesting();
    vl::reloadStringTableForTesting();
    EXPECT_EQ(vl::localized("ok"), "ok");
    EXPECT_TRUE(vl::test::LogCapture::contains("cannot parse"));
  }
  vl::resetResourceDirectoryForTesting();
  vl::reloadStringTableForTesting();
}

TEST(Json, BadTextIsAnAnswerNotAnException) {
  vl::test::LogCapture logs;
  EXPECT_FALSE(vl::parseJson("{\"a\": ", "settings"));
  EXPECT_TRUE(vl::test::LogCapture::contains("settings"));
  auto ok = vl::parseJson("{\"a\": 1, \"b\": \"2\", \"c\": true}");
  ASSERT_TRUE(ok);
  EXPECT_EQ(vl::jsonInteger(*ok, "b"), 2);
  EXPECT_EQ(vl::jsonString(*ok, "a", "none"), "none");
  EXPECT_TRUE(vl::jsonBool(*ok, "c"));
  EXPECT_EQ(vl::jsonInteger(vl::Json::array(), "a", 7), 7);
  EXPECT_EQ(vl::dumpJson(vl::Json("a\xFF")), "\"a\xEF\xBF\xBD\"");
}

}  // namespace
