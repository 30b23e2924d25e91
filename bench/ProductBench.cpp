// Benchmarks of the product's hot paths. Every benchmark times the product operation and
// its floor (the least work that gives the same result) in alternating batches of the
// same run, and reports both per operation and their ratio as counters:
//   product_ns, floor_ns, ratio
// so that the ratio holds on a loaded machine. bench/run.py checks the ratios.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "action/ActionSettings.h"
#include "config/ResourceString.h"
#include "diagnostics/ExceptionReporter.h"
#include "diagnostics/Exceptions.h"
#include "extension/ExchRuleExt.h"
#include "memstore/Memstore.h"
#include "memstore/Profile.h"
#include "resources/resource.h"
#include "testing/FakeCallback.h"
#include "testing/PrivateFolder.h"
#include "testing/UserProfile.h"

extern "C" pellacorm::IExchangeRuleExt* WINAPI ExchEntryPoint();

namespace {

using Clock = std::chrono::steady_clock;

// A private registry file and drives for the whole run, with the log's folder C:/home/Logs.
const testsupport::PrivateFolder& TheSandbox() {
  static const testsupport::PrivateFolder sandbox("pellacorm-bench");
  static const int made = [] {
    ::mkdir((sandbox.DriveC() + "/home").c_str(), 0755);
    ::mkdir((sandbox.DriveC() + "/home/Logs").c_str(), 0755);
    return 0;
  }();
  (void)made;
  return sandbox;
}

// Times `product` and `floor` in batches of `batch`, alternating which goes first, and
// sets the counters.
template <typename Product, typename Floor>
void Paired(benchmark::State& state, int batch, Product product, Floor floor) {
  double productNs = 0;
  double floorNs = 0;
  bool productFirst = true;
  auto timeBatch = [batch](auto& operation) {
    const auto start = Clock::now();
    for (int i = 0; i < batch; ++i) {
      operation();
    }
    return std::chrono::duration<double, std::nano>(Clock::now() - start).count();
  };
  for (auto _ : state) {
    if (productFirst) {
      productNs += timeBatch(product);
      floorNs += timeBatch(floor);
    } else {
      floorNs += timeBatch(floor);
      productNs += timeBatch(product);
    }
    productFirst = !productFirst;
  }
  const double operations = static_cast<double>(state.iterations()) * batch;
  state.counters["product_ns"] = productNs / operations;
  state.counters["floor_ns"] = floorNs / operations;
  state.counters["ratio"] = floorNs > 0 ? productNs / floorNs : 0;
}

// Nanoseconds per call of `operation`, over `count` calls: a diagnostic counter that
// says what one part of a product operation costs.
template <typename Operation>
double NanosecondsPerCall(int count, Operation operation) {
  const auto start = Clock::now();
  for (int i = 0; i < count; ++i) {
    operation();
  }
  return std::chrono::duration<double, std::nano>(Clock::now() - start).count() / count;
}

// A command string with a priority and a topic of `topicLength` characters.
std::string MakeCommand(std::size_t topicLength) {
  pellacorm::ActionSettings settings;
  settings.SetPriority(1);
  std::string topic = "Budget";
  if (topicLength > topic.size()) {
    topic = "Projects/Budget/";
    while (topic.size() < topicLength) {
      topic += static_cast<char>('a' + topic.size() % 26);
    }
  }
  topic.resize(topicLength);
  settings.SetTopic(topic, true, false);
  return settings.EncodeCommand();
}

// ---------------------------------------------------------------------------------
// DecodeCommand + EncodeCommand vs copies of the command's bytes into strings of their
// own: one copy for a typical command, whose cost is mostly the fields; two for a long
// one, whose cost is mostly its bytes, which decoding copies into the settings and
// encoding into the new command.

void BM_DecodeEncode(benchmark::State& state) {
  const std::string command = MakeCommand(static_cast<std::size_t>(state.range(0)));
  const auto copies = static_cast<int>(state.range(1));
  state.SetLabel(std::to_string(command.size()) + " bytes");
  Paired(
      state, 256,
      [&] {
        pellacorm::ActionSettings settings;
        settings.DecodeCommand(command);
        std::string encoded = settings.EncodeCommand();
        benchmark::DoNotOptimize(encoded);
      },
      [&] {
        std::string first(command.data(), command.size());
        benchmark::DoNotOptimize(first);
        if (copies == 2) {
          std::string second(command.data(), command.size());
          benchmark::DoNotOptimize(second);
        }
      });
}
// A typical command (a six-character topic) against one copy, a 900-byte one against two.
BENCHMARK(BM_DecodeEncode)->Args({6, 1})->Args({889, 2});

// ---------------------------------------------------------------------------------
// QueryCommandDisplayName through the interface vs the same decode plus one copy.

void BM_QueryCommandDisplayName(benchmark::State& state) {
  pellacorm::IExchangeRuleExt* ext = ExchEntryPoint();
  const std::string command = MakeCommand(static_cast<std::size_t>(state.range(0)));
  const std::string displayName = pellacorm::ActionSettings(command).GetDisplayName();
  std::vector<char> buffer(1024);
  Paired(
      state, 256,
      [&] {
        ext->QueryCommandDisplayName(nullptr, command.c_str(), buffer.data(),
                                     static_cast<ULONG>(buffer.size()));
        benchmark::DoNotOptimize(buffer.data());
      },
      [&] {
        const pellacorm::ActionSettings settings(command);
        benchmark::DoNotOptimize(settings.m_topic.data());
        std::memcpy(buffer.data(), displayName.c_str(), displayName.size() + 1);
        benchmark::DoNotOptimize(buffer.data());
      });
  state.counters["load_res_string_ns"] = NanosecondsPerCall(10000, [] {
    std::string text = pellacorm::LoadResString(IDS_PRIORITY_NORMAL + 1);
    benchmark::DoNotOptimize(text);
  });
  ext->Release();
}
BENCHMARK(BM_QueryCommandDisplayName)->Arg(6)->Arg(889);

// ---------------------------------------------------------------------------------
// A bound extension on a memstore profile like a user's.

using testsupport::FakeCallback;

struct BoundExtension {
  BoundExtension() : user(profile), topics(user.topics) {
    TheSandbox();
    session = profile.Logon();
    callback = std::make_unique<FakeCallback>(session.Get());
    ext = static_cast<pellacorm::CExchRuleExt*>(ExchEntryPoint());
    if (ext->Install(callback.get(), 0) != S_OK) {
      throw std::runtime_error("Install failed");
    }
  }
  ~BoundExtension() {
    ext->QueryRelease();
    ext->Release();
  }

  pellacorm::ComPtr<IMsgStore> OpenMailbox() {
    const memstore::EntryIdBytes id = user.mailbox.EntryId();
    pellacorm::ComPtr<IMsgStore> store;
    if (FAILED(session->OpenMsgStore(0, static_cast<ULONG>(id.size()),
                                     reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(id.data())), nullptr,
                                     MDB_WRITE, store.Put()))) {
      throw std::runtime_error("OpenMsgStore failed");
    }
    return store;
  }

  memstore::Profile profile;
  testsupport::UserMailbox user;
  memstore::FolderRef topics;
  pellacorm::ComPtr<IMAPISession> session;
  std::unique_ptr<FakeCallback> callback;
  pellacorm::CExchRuleExt* ext = nullptr;
};

pellacorm::ComPtr<IMAPIFolder> OpenFolder(IMsgStore* store, const memstore::EntryIdBytes& id, ULONG flags) {
  pellacorm::ComPtr<IMAPIFolder> folder;
  ULONG type = 0;
  if (FAILED(store->OpenEntry(static_cast<ULONG>(id.size()),
                              reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(id.data())), nullptr, flags,
                              &type, reinterpret_cast<LPUNKNOWN*>(folder.Put())))) {
    throw std::runtime_error("OpenEntry failed");
  }
  return folder;
}

// ---------------------------------------------------------------------------------
// LoadTopicNames vs a bare walk of the same hierarchy tables that only counts rows.

// Subfolders per top-level topic; the tree has n / kPerTopic topics of kPerTopic - 1
// subfolders each, n folders in all.
constexpr int kPerTopic = 100;

std::string TopicWord(unsigned seed) {
  static const char* const kWords[] = {"Budget", "Plans",  "Reports", "Team",  "Archive",
                                       "Review", "Travel", "Minutes", "Legal", "Hiring"};
  unsigned x = seed * 2654435761u;
  return std::string(kWords[x % 10]) + " " + std::to_string(x % 100000);
}

ULONG CountRowsBelow(IMsgStore* store, IMAPIFolder* folder) {
  enum : ULONG { kEntryId, kName, kCount };
  const SizedSPropTagArray(kCount, columns) = {kCount, {PR_ENTRYID, PR_DISPLAY_NAME_A}};
  pellacorm::ComPtr<IMAPITable> table;
  if (FAILED(folder->GetHierarchyTable(0, table.Put()))) {
    return 0;
  }
  LPSRowSet rows = nullptr;
  if (FAILED(HrQueryAllRows(table.Get(),
                            const_cast<LPSPropTagArray>(reinterpret_cast<const SPropTagArray*>(&columns)),
                            nullptr, nullptr, 0, &rows))) {
    return 0;
  }
  table.Reset();
  ULONG count = rows->cRows;
  for (ULONG i = 0; i < rows->cRows; ++i) {
    const SBinary& id = rows->aRow[i].lpProps[kEntryId].Value.bin;
    pellacorm::ComPtr<IMAPIFolder> child;
    ULONG type = 0;
    if (SUCCEEDED(store->OpenEntry(id.cb, reinterpret_cast<LPENTRYID>(id.lpb), nullptr, 0, &type,
                                   reinterpret_cast<LPUNKNOWN*>(child.Put())))) {
      count += CountRowsBelow(store, child.Get());
    } else {
      child.Detach();
    }
  }
  FreeProws(rows);
  return count;
}

// The walk and the sort of LoadTopicNames are timed apart: `sorted` false times the walk
// alone (GetTopicNames), which tells where the time goes when the target is missed.
void LoadTopicNamesBench(benchmark::State& state, bool sorted) {
  const int folders = static_cast<int>(state.range(0));
  BoundExtension bound;
  for (int t = 0; t < folders / kPerTopic; ++t) {
    memstore::FolderRef topic = bound.topics.AddChild(TopicWord(static_cast<unsigned>(t)));
    for (int c = 1; c < kPerTopic; ++c) {
      topic.AddChild(TopicWord(static_cast<unsigned>(t * kPerTopic + c)));
    }
  }
  pellacorm::ComPtr<IMsgStore> store = bound.OpenMailbox();
  const memstore::EntryIdBytes topicsId = bound.topics.EntryId();
  std::size_t names = 0;
  ULONG rows = 0;
  Paired(
      state, 1,
      [&] {
        pellacorm::TopicList list;
        if (sorted) {
          list = bound.ext->LoadTopicNames();
        } else {
          bound.ext->GetTopicNames(bound.ext->GetAppFolder(false), list, nullptr);
        }
        names = list.size();
        benchmark::DoNotOptimize(list.data());
      },
      [&] {
        pellacorm::ComPtr<IMAPIFolder> top = OpenFolder(store.Get(), topicsId, 0);
        rows = CountRowsBelow(store.Get(), top.Get());
        benchmark::DoNotOptimize(rows);
      });
  if (names != static_cast<std::size_t>(folders) || rows != static_cast<ULONG>(folders)) {
    state.SkipWithError("the walk did not see every folder");
  }
  state.counters["product_ns_per_name"] = state.counters["product_ns"] / folders;
  // One comparison of CompareStringA on two topic names, against the one sort key a
  // name now costs instead.
  const std::string left = TopicWord(1) + "/" + TopicWord(2);
  const std::string right = TopicWord(1) + "/" + TopicWord(3);
  state.counters["compare_string_ns"] = NanosecondsPerCall(10000, [&] {
    const int order =
        CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, left.c_str(), -1, right.c_str(), -1);
    benchmark::DoNotOptimize(order);
  });
  char key[256];
  state.counters["sort_key_ns"] = NanosecondsPerCall(10000, [&] {
    const int size = LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, left.c_str(), -1, key,
                                  static_cast<int>(sizeof key));
    benchmark::DoNotOptimize(size);
    benchmark::DoNotOptimize(key);
  });
}
void BM_LoadTopicNames(benchmark::State& state) {
  LoadTopicNamesBench(state, true);
}
void BM_GetTopicNamesUnsorted(benchmark::State& state) {
  LoadTopicNamesBench(state, false);
}
BENCHMARK(BM_LoadTopicNames)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetTopicNamesUnsorted)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

// memstore alone, walked as the topic list walks it, down a chain of n folders each inside
// the one before: the test double's cost per folder must not grow with the depth.
void BM_MemstoreChainWalk(benchmark::State& state) {
  const int depth = static_cast<int>(state.range(0));
  BoundExtension bound;
  memstore::FolderRef folder = bound.topics;
  for (int i = 0; i < depth; ++i) {
    folder = folder.AddChild(TopicWord(static_cast<unsigned>(i)));
  }
  pellacorm::ComPtr<IMsgStore> store = bound.OpenMailbox();
  const memstore::EntryIdBytes topicsId = bound.topics.EntryId();
  ULONG rows = 0;
  for (auto _ : state) {
    pellacorm::ComPtr<IMAPIFolder> top = OpenFolder(store.Get(), topicsId, 0);
    rows = CountRowsBelow(store.Get(), top.Get());
    benchmark::DoNotOptimize(rows);
  }
  if (rows != static_cast<ULONG>(depth)) {
    state.SkipWithError("the walk did not see every folder");
  }
}
BENCHMARK(BM_MemstoreChainWalk)->Arg(500)->Arg(5000)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------------------------
// Command (one action request message) vs the bare CreateMessage, SetProps, SaveChanges.

void BM_Command(benchmark::State& state) {
  BoundExtension bound;
  const std::string command = MakeCommand(6);
  const memstore::MessageRef original = bound.user.inbox.AddMessage({});
  memstore::EntryIdBytes originalId = original.EntryId();
  pellacorm::ComPtr<IMsgStore> store = bound.OpenMailbox();
  pellacorm::ComPtr<IMAPIFolder> inbox = OpenFolder(store.Get(), bound.user.inbox.EntryId(), MAPI_MODIFY);
  static char kClass[] = "IPM.Pellacorm.Action";
  Paired(
      state, 64,
      [&] {
        const HRESULT hr =
            bound.ext->Command(bound.callback.get(), command.c_str(), static_cast<ULONG>(originalId.size()),
                               reinterpret_cast<LPENTRYID>(originalId.data()));
        benchmark::DoNotOptimize(hr);
      },
      [&] {
        pellacorm::ComPtr<IMessage> message;
        inbox->CreateMessage(nullptr, MAPI_ASSOCIATED, message.Put());
        SPropValue props[3] = {};
        props[0].ulPropTag = PR_MESSAGE_CLASS_A;
        props[0].Value.lpszA = kClass;
        props[1].ulPropTag = PR_SUBJECT_A;
        props[1].Value.lpszA = const_cast<LPSTR>(command.c_str());
        props[2].ulPropTag = PR_ORIGINAL_ENTRYID;
        props[2].Value.bin.cb = static_cast<ULONG>(originalId.size());
        props[2].Value.bin.lpb = originalId.data();
        LPSPropProblemArray problems = nullptr;
        message->SetProps(3, props, &problems);
        MAPIFreeBuffer(problems);
        message->SaveChanges(0);
      });
  state.counters["open_inbox_ns"] = NanosecondsPerCall(1000, [&] {
    pellacorm::ComPtr<IMAPIFolder> folder = bound.ext->OpenInbox(true);
    benchmark::DoNotOptimize(folder.Get());
  });
  if (bound.user.inbox.AssociatedMessages().size() < 2) {
    state.SkipWithError("no action request was written");
  }
}
BENCHMARK(BM_Command);

// ---------------------------------------------------------------------------------
// Report of one entry vs one open-append-close of the same bytes.

void BM_Report(benchmark::State& state) {
  const testsupport::PrivateFolder& sandbox = TheSandbox();
  pellacorm::ExceptionReporter reporter;
  reporter.SetHomeDir("C:/home");
  const pellacorm::MAPIException exception(MAPI_E_NOT_FOUND, "GetTopicNames: OpenEntry failed",
                                           "component: memstore", pellacorm::SEVERITY_ERROR, ".\\ExchRuleExt",
                                           798);
  const std::time_t now = 1765000000;
  // The bytes the log file receives: text mode stores "\r\n" for every "\n".
  std::string bytes;
  for (const char c : pellacorm::ExceptionReporter::BuildEntry(exception, now)) {
    if (c == '\n') {
      bytes += '\r';
    }
    bytes += c;
  }
  const std::string productLog = sandbox.DriveC() + "/home/Logs/Pellacorm.log";
  const std::string floorLog = sandbox.DriveC() + "/home/Logs/floor.log";
  Paired(
      state, 16, [&] { reporter.Report(exception, now); },
      [&] {
        const int fd = ::open(floorLog.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644);
        if (fd >= 0) {
          const ssize_t written = ::write(fd, bytes.data(), bytes.size());
          benchmark::DoNotOptimize(written);
          ::close(fd);
        }
      });
  // What the platform's _fsopen and fclose of the log's Windows path cost alone.
  state.counters["fsopen_fclose_ns"] = NanosecondsPerCall(1000, [&] {
    FILE* file = _fsopen(reporter.LogPath().c_str(), "at", _SH_DENYNO);
    if (file != nullptr) {
      std::fclose(file);
    }
  });
  struct stat productStat {};
  struct stat floorStat {};
  if (::stat(productLog.c_str(), &productStat) != 0 || ::stat(floorLog.c_str(), &floorStat) != 0 ||
      productStat.st_size != floorStat.st_size) {
    state.SkipWithError("the log did not receive the same bytes as the floor");
  }
  ::unlink(productLog.c_str());
  ::unlink(floorLog.c_str());
}
BENCHMARK(BM_Report);

// ---------------------------------------------------------------------------------
// AbbreviateFolderPath of 10,000 topic names, at three name lengths: the time per byte
// of name must stay flat. The limit is half of each name, so every name is shortened
// and keeps many of its levels.

void BM_AbbreviateFolderPath(benchmark::State& state) {
  const int depth = static_cast<int>(state.range(0));
  std::vector<std::string> names;
  std::size_t totalLength = 0;
  for (unsigned n = 0; n < 10000; ++n) {
    std::string name;
    for (int level = 0; level < depth; ++level) {
      if (level > 0) {
        name += '/';
      }
      name += TopicWord(n * 131 + static_cast<unsigned>(level));
    }
    totalLength += name.size();
    names.push_back(std::move(name));
  }
  double ns = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    for (const std::string& name : names) {
      std::string shortened =
          pellacorm::CExchRuleExt::AbbreviateFolderPath(name, static_cast<ULONG>(name.size() / 2));
      benchmark::DoNotOptimize(shortened);
    }
    ns += std::chrono::duration<double, std::nano>(Clock::now() - start).count();
  }
  state.SetLabel(std::to_string(totalLength) + " bytes");
  state.counters["total_bytes"] = static_cast<double>(totalLength);
  state.counters["ns_per_byte"] =
      ns / static_cast<double>(state.iterations()) / static_cast<double>(totalLength);
}
BENCHMARK(BM_AbbreviateFolderPath)->Arg(4)->Arg(32)->Arg(256)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
