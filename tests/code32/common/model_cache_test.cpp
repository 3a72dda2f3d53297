// The model image of a driver context: the process-wide list, the cache
// file beside the model file and the compile, on an emulated machine whose
// printer "Office" names C:\Windows\System32\spool\drivers\w32x86\3\model.mdf
// as its data file.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "env_test_machine.h"
#include "model_image_test_util.h"
#include "plat/files.h"
#include "velm/lock.h"
#include "velm/mdf_reader.h"
#include "velm/model_cache.h"

namespace {

using env_test::kDriverDir;
using image_test::Bytes;
using image_test::Corruption;

const std::u16string kModel = std::u16string(kDriverDir) + u"model.mdf";
const std::u16string kCache = std::u16string(kDriverDir) + u"model.BCS";

std::string Blob(const std::vector<uint8_t>& b) { return std::string(b.begin(), b.end()); }
std::vector<uint8_t> Vec(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

class ModelCache : public env_test::EnvMachine {
 protected:
  // Each test starts as a fresh process would: no listed images, and no
  // handle of the driver mutex of an earlier test's machine.
  void SetUp() override {
    EnvMachine::SetUp();
    MdfFreeModelList();
    LockTerminate();
    LockInitialize();
  }
  void TearDown() override {
    MdfFreeModelList();
    LockTerminate();
    EnvMachine::TearDown();
  }

  static void Install(const std::string& text, const std::u16string& path = kModel) { Put(path, text); }
  static bool Exists(const std::u16string& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
  static bool CacheValid(const std::u16string& cache = kCache) {
    std::string bytes = Get(cache);
    return !bytes.empty() && MdfValidateImage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  static void SetWriteTime(const std::u16string& path, int64_t unix_seconds) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILETIME t = plat::FileTimeFromUnix(unix_seconds, 0);
    EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &t));
    CloseHandle(h);
  }
  // Temporary files left in a folder of the machine.
  static int TempFiles(const std::u16string& dir = kDriverDir) {
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileW((dir + u"*.tmp").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return 0;
    int n = 1;
    while (FindNextFileW(h, &data)) ++n;
    FindClose(h);
    return n;
  }

  // The image a context of the printer gets, and whether a parse ran for it.
  ModelImage* Open(DriverContext* ctx, bool* compiled = nullptr) {
    uint32_t parses = MdfGetParseCount();
    ModelImage* image = MdfGetCompiledModel(ctx);
    if (compiled) *compiled = MdfGetParseCount() != parses;
    return image;
  }

  std::string reference_ = image_test::ReferenceModel();
};

TEST(MdfCacheFileName, Table) {
  struct Case {
    std::u16string path;
    std::u16string cache;  // empty: no cache name
  } cases[] = {
      {u"C:\\Drivers\\model.mdf", u"C:\\Drivers\\model.BCS"},
      {u"C:\\Drivers\\m.x.mdf", u"C:\\Drivers\\m.x.BCS"},
      {u"C:\\Drivers\\model.", u"C:\\Drivers\\model.BCS"},
      {u"C:\\Drv.d\\model", u"C:\\Drv.d\\model.BCS"},  // the '.' of a folder does not count
      {u"C:\\Drv.d/model", u"C:\\Drv.d/model.BCS"},
      {u"/host/models.d/reference.mdf", u"/host/models.d/reference.BCS"},
      {u"model", u"model.BCS"},
      {u"C:\\Drivers\\", u""},
      {u"", u""},
      {u"C:\\" + std::u16string(256, u'm') + u".mdf", u"C:\\" + std::u16string(256, u'm') + u".BCS"},  // 263
      {u"C:\\" + std::u16string(257, u'm') + u".mdf", u""},                                      // 264
      {u"C:\\" + std::u16string(300, u'm'), u""},
  };
  for (const Case& c : cases) {
    char16_t out[kMdfCachePathChars];
    bool named = MdfCacheFileName(c.path.c_str(), out);
    EXPECT_EQ(named, !c.cache.empty()) << plat::ToUtf8(c.path);
    EXPECT_EQ(std::u16string(out), c.cache) << plat::ToUtf8(c.path);
  }
  EXPECT_FALSE(MdfCacheFileName(nullptr, nullptr));
}

TEST_F(ModelCache, ListThenCacheThenCompile) {
  Install(reference_);
  DriverContext* ctx = Context();
  bool compiled = false;
  ModelImage* first = Open(ctx, &compiled);
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(compiled);
  EXPECT_TRUE(CacheValid());
  EXPECT_EQ(TempFiles(), 0);
  const std::string dump = MdfDumpImage(first);
  const std::string cache = Get(kCache);
  EXPECT_EQ(Vec(cache), Bytes(first));

  // A new process: no list, the cache file serves without a parse.
  MdfFreeModelList();
  ModelImage* second = Open(ctx, &compiled);
  ASSERT_NE(second, nullptr);
  EXPECT_FALSE(compiled);
  EXPECT_EQ(MdfDumpImage(second), dump);
  EXPECT_EQ(Get(kCache), cache);

  // The same process again: the list serves.
  plat::ResetCalls();
  EXPECT_EQ(Open(ctx, &compiled), second);
  EXPECT_FALSE(compiled);
  EXPECT_EQ(plat::CallCount("CreateFileW"), 0);
  EXPECT_EQ(MdfListCount(), 1u);
  MdfReleaseModel(second);
  EXPECT_EQ(Open(ctx), second);
}

TEST_F(ModelCache, WhenTheCacheIsUsed) {
  const int64_t kYear2000 = 946684800;
  std::string quoted = reference_;
  quoted.replace(quoted.find("*FileVersion: 3.62"), 18, "*FileVersion: \"3.62\"");
  std::string other_version = reference_;
  other_version.replace(other_version.find("*FileVersion: 3.62"), 18, "*FileVersion: 3.61");
  struct Case {
    const char* name;
    std::string model;
    // Done to the files after a first open wrote the cache.
    std::function<void()> change;
    bool cached_after;  // a valid cache file is there after the second open
  } cases[] = {
      {"an unchanged cache serves", reference_, [] {}, true},
      {"a cache older than the model", reference_, [&] { SetWriteTime(kCache, kYear2000); }, true},
      {"a model replaced keeping an old write time",
       reference_,
       [&] {
         Install(image_test::ReferenceModel() + "*% changed\n");
         SetWriteTime(kModel, kYear2000);
       },
       true},
      {"a size field that is not the length",
       reference_,
       [&] {
         std::vector<uint8_t> b = Vec(Get(kCache));
         image_test::Put32(b, 32, static_cast<uint32_t>(b.size() + 4));
         Put(kCache, Blob(b));
       },
       true},
      {"another file version in the cache",
       reference_,
       [&] {
         std::vector<uint8_t> b = Vec(Get(kCache));
         image_test::Put16(b, 6, u'1');  // "3.61"
         Put(kCache, Blob(b));
       },
       true},
      {"a model whose version is not the driver's", other_version, [] {}, false},
      {"a FileVersion written in quotes", quoted, [] {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MdfFreeModelList();
    (void)DeleteFileW(kCache.c_str());  // may be absent already
    Install(c.model);
    DriverContext* ctx = Context();
    bool compiled = false;
    ModelImage* first = Open(ctx, &compiled);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(compiled);
    EXPECT_EQ(Exists(kCache), c.cached_after);
    const std::string dump = MdfDumpImage(first);
    c.change();
    MdfFreeModelList();
    bool unchanged = std::string(c.name) == "an unchanged cache serves";
    ModelImage* second = Open(ctx, &compiled);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(compiled, !unchanged);
    EXPECT_EQ(Exists(kCache), c.cached_after);
    if (c.cached_after) {
      EXPECT_TRUE(CacheValid());
      EXPECT_EQ(Vec(Get(kCache)), Bytes(second));
    }
    EXPECT_EQ(TempFiles(), 0);
  }
}

// Every damage the loader refuses makes a compile that replaces the cache
// file; none of them crashes or is read (sanitizer build).
TEST_F(ModelCache, DamagedCacheFilesAreCompiledAgain) {
  Install(reference_);
  DriverContext* ctx = Context();
  ModelImage* image = Open(ctx);
  ASSERT_NE(image, nullptr);
  const std::vector<uint8_t> valid = Bytes(image);
  std::vector<Corruption> table = image_test::Corruptions(image);
  ASSERT_GE(table.size(), 40u);
  for (const Corruption& c : table) {
    SCOPED_TRACE(c.name);
    MdfFreeModelList();
    Put(kCache, Blob(c.bytes));
    bool compiled = false;
    ModelImage* again = Open(ctx, &compiled);
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(compiled);
    EXPECT_EQ(Bytes(again), valid);
    EXPECT_EQ(Vec(Get(kCache)), valid);
  }
}

// Randomly damaged cache files: what the loader refuses is compiled again and
// then equals a fresh compile, in memory and in the cache file; what it
// takes is the damaged file as it stands, and passes the validator.
TEST_F(ModelCache, RandomlyDamagedCacheFiles) {
  Install(reference_);
  DriverContext* ctx = Context();
  ModelImage* image = Open(ctx);
  ASSERT_NE(image, nullptr);
  const std::vector<uint8_t> valid = Bytes(image);
  std::mt19937 random(7);
  int recompiled = 0;
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(round);
    std::vector<uint8_t> bytes = valid;
    for (int i = 0; i < 4; ++i) bytes[random() % bytes.size()] = static_cast<uint8_t>(random());
    MdfFreeModelList();
    Put(kCache, Blob(bytes));
    bool compiled = false;
    ModelImage* again = Open(ctx, &compiled);
    ASSERT_NE(again, nullptr);
    std::vector<uint8_t> got = Bytes(again);
    if (compiled) {
      ++recompiled;
      EXPECT_EQ(got, valid);
      EXPECT_EQ(Vec(Get(kCache)), valid);
    } else {
      EXPECT_EQ(got, bytes);
      EXPECT_TRUE(MdfValidateImage(bytes.data(), bytes.size()));
    }
  }
  EXPECT_GT(recompiled, 0);
}

TEST_F(ModelCache, TheSameFileNameInTwoFolders) {
  std::u16string a = u"C:\\Drivers\\A\\3\\model.mdf";
  std::u16string b = u"C:\\Drivers\\B\\3\\model.mdf";
  for (const std::u16string& path : {a, b}) {
    ASSERT_TRUE(plat::EnsureWindowsDir(path.substr(0, path.rfind(u'\\')).c_str()));
  }
  Install(image_test::SmallModel(), a);
  Install(reference_, b);
  HANDLE printers[2];
  for (int i = 0; i < 2; ++i) {
    plat::SpoolDriver d;
    d.name = i ? u"Driver B" : u"Driver A";
    d.driverPath = std::u16string(kDriverDir) + u"VELMPD0.DLL";
    d.configFile = std::u16string(kDriverDir) + u"VELMPD3.DLL";
    d.dataFile = i ? b : a;
    ASSERT_TRUE(plat::SpoolAddDriver(d));
    printers[i] = AddPrinter(i ? u"Printer B" : u"Printer A", d.name);
  }
  ModelImage* ia = Open(Context(printers[0]));
  ModelImage* ib = Open(Context(printers[1]));
  ASSERT_NE(ia, nullptr);
  ASSERT_NE(ib, nullptr);
  EXPECT_NE(ia, ib);
  char16_t va[16], vb[16];
  MdfImgFileVersion(ia, va);
  MdfImgFileVersion(ib, vb);
  EXPECT_EQ(std::u16string(va), u"1.05");
  EXPECT_EQ(std::u16string(vb), u"3.62");
  EXPECT_EQ(MdfListCount(), 2u);
  EXPECT_EQ(Open(Context(printers[0])), ia);
}

TEST_F(ModelCache, CacheLiesBesideAFileWithoutExtension) {
  const std::u16string model = u"C:\\Drv.d\\model";
  ASSERT_TRUE(plat::EnsureWindowsDir(u"C:\\Drv.d"));
  Install(reference_, model);
  plat::SpoolDriver d;
  d.name = u"Plain Driver";
  d.driverPath = std::u16string(kDriverDir) + u"VELMPD0.DLL";
  d.configFile = std::u16string(kDriverDir) + u"VELMPD3.DLL";
  d.dataFile = model;
  ASSERT_TRUE(plat::SpoolAddDriver(d));
  ASSERT_NE(Open(Context(AddPrinter(u"Plain", d.name))), nullptr);
  EXPECT_TRUE(CacheValid(u"C:\\Drv.d\\model.BCS"));
  EXPECT_FALSE(Exists(u"C:\\Drv.BCS"));
}

TEST_F(ModelCache, APathTooLongForACacheName) {
  const std::u16string dir = u"C:\\" + std::u16string(120, u'd') + u"\\" + std::u16string(120, u'e');
  const std::u16string model = dir + u"\\" + std::u16string(56, u'm') + u".mdf";
  ASSERT_GT(model.size(), 300u);
  ASSERT_TRUE(plat::EnsureWindowsDir(dir.c_str()));
  Install(reference_, model);
  plat::SpoolDriver d;
  d.name = u"Long Driver";
  d.driverPath = std::u16string(kDriverDir) + u"VELMPD0.DLL";
  d.configFile = std::u16string(kDriverDir) + u"VELMPD3.DLL";
  d.dataFile = model;
  ASSERT_TRUE(plat::SpoolAddDriver(d));
  DriverContext* ctx = Context(AddPrinter(u"Long", d.name));
  ModelImage* image = Open(ctx);
  ASSERT_NE(image, nullptr);
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileW((dir + u"\\*.BCS").c_str(), &data);
  EXPECT_EQ(h, INVALID_HANDLE_VALUE) << "no cache file";
  if (h != INVALID_HANDLE_VALUE) FindClose(h);
  EXPECT_EQ(Open(ctx), image);  // listed under its full path all the same
}

TEST_F(ModelCache, FailedWritesLeaveNoFile) {
  Install(reference_);
  DriverContext* ctx = Context();
  for (const char* service : {"MoveFileExW", "WriteFile", "CreateFileW"}) {
    SCOPED_TRACE(service);
    MdfFreeModelList();
    (void)DeleteFileW(kCache.c_str());  // may be absent already
    // The model file and the (missing) cache file are opened first; the
    // fault hits the cache write.
    plat::FailNth(service, std::string(service) == "CreateFileW" ? 3 : 1);
    ModelImage* image = Open(ctx);
    plat::ClearFaults();
    EXPECT_NE(image, nullptr);
    EXPECT_FALSE(Exists(kCache));
    EXPECT_EQ(TempFiles(), 0);
  }
  // A device that writes half at a time still ends with the whole file.
  MdfFreeModelList();
  plat::FailNth("WriteFile.short", 1);
  EXPECT_NE(Open(ctx), nullptr);
  plat::ClearFaults();
  EXPECT_TRUE(CacheValid());
}

TEST_F(ModelCache, HeldMutexIsNotTakenAgain) {
  Install(reference_);
  DriverContext* ctx = Context();
  ASSERT_EQ(LockAcquireMutex(), 1);
  ctx->work->kindOptions = kKindOptHoldsMutex;
  plat::ResetCalls();
  EXPECT_NE(Open(ctx), nullptr);
  EXPECT_EQ(plat::CallCount("WaitForSingleObject"), 0);
  ctx->work->kindOptions = 0;
  MdfFreeModelList();
  EXPECT_NE(Open(ctx), nullptr);  // taken again by its owner: no deadlock
  EXPECT_EQ(plat::CallCount("WaitForSingleObject"), 1);
  EXPECT_EQ(LockReleaseMutex(), 1);
}

// Two processes open the printer at the same moment: the driver mutex lets
// one compile and write the cache, and the other read it; both get the
// whole image.
TEST_F(ModelCache, TwoProcessesAtOnce) {
  Install(reference_);
  image_test::Image expected = image_test::Compile(reference_);
  ASSERT_NE(expected, nullptr);
  const std::string want = MdfDumpImage(expected.get());
  int go[2];
  ASSERT_EQ(pipe(go), 0);
  std::fflush(nullptr);
  pid_t children[2];
  for (pid_t& child : children) {
    child = fork();
    if (child == 0) {
      close(go[1]);
      char c;
      if (read(go[0], &c, 1) != 1) _exit(2);
      DriverContext* ctx = CtxOpenKind(printer_, printer_, 4, kOpenEntryPoint);
      if (!ctx) _exit(3);
      uint32_t parses = MdfGetParseCount();
      ModelImage* image = MdfGetCompiledModel(ctx);
      if (!image) _exit(4);
      if (MdfDumpImage(image) != want) _exit(5);
      _exit(MdfGetParseCount() != parses ? 10 : 20);
    }
  }
  close(go[0]);
  ASSERT_EQ(write(go[1], "xx", 2), 2);
  close(go[1]);
  std::vector<int> codes;
  for (pid_t child : children) {
    int status = 0;
    waitpid(child, &status, 0);
    codes.push_back(WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status));
  }
  std::sort(codes.begin(), codes.end());
  EXPECT_EQ(codes, (std::vector<int>{10, 20})) << "one compiles, the other reads the cache";
  EXPECT_TRUE(CacheValid());
  EXPECT_EQ(Vec(Get(kCache)), Bytes(expected.get()));
  EXPECT_EQ(TempFiles(), 0);
}

TEST_F(ModelCache, NoDataFileNoImage) {
  DriverContext* ctx = Context();
  ctx->printer = ctx->queryPrinter = nullptr;
  EXPECT_EQ(Open(ctx), nullptr);
  DriverContext* with_model = Context();
  EXPECT_EQ(Open(with_model), nullptr) << "model.mdf is missing";
  Install("");
  EXPECT_EQ(Open(with_model), nullptr) << "model.mdf is empty";
  EXPECT_EQ(MdfListCount(), 0u);
  EXPECT_EQ(MdfGetCompiledModel(nullptr), nullptr);
}

TEST(MdfModelList, KeyIsTheWholePath) {
  MdfFreeModelList();
  mdf_test::BlockCount blocks;
  image_test::Image a = image_test::Compile(image_test::SmallModel());
  image_test::Image b = image_test::Compile(image_test::SmallModel());
  image_test::Image c = image_test::Compile(image_test::SmallModel());
  ModelImage* ia = a.release();
  ModelImage* ib = b.release();
  EXPECT_EQ(MdfListAdd(u"C:\\A\\drivers\\model.mdf", ia), ia);
  EXPECT_EQ(MdfListAdd(u"C:\\B\\drivers\\model.mdf", ib), ib);  // the same 12-character tail
  EXPECT_EQ(MdfListFind(u"c:/a/DRIVERS/Model.MDF"), ia);
  EXPECT_EQ(MdfListFind(u"C:\\B\\drivers\\model.mdf"), ib);
  EXPECT_EQ(MdfListFind(u"D:\\A\\drivers\\model.mdf"), nullptr);
  EXPECT_EQ(MdfListFind(u"drivers\\model.mdf"), nullptr);
  // A path listed meanwhile keeps its image; the new one is freed.
  EXPECT_EQ(MdfListAdd(u"C:\\a\\Drivers\\model.mdf", c.release()), ia);
  EXPECT_EQ(MdfListCount(), 2u);
  EXPECT_EQ(MdfListAdd(u"", nullptr), nullptr);
  MdfFreeModelList();
  EXPECT_EQ(MdfListCount(), 0u);
  EXPECT_EQ(MdfListFind(u"C:\\B\\drivers\\model.mdf"), nullptr);
  EXPECT_EQ(blocks.Delta(), 0);
}

}  // namespace
