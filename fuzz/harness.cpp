#include "harness.h"

#include <sanitizer/allocator_interface.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "driver/command_line.h"
#include "support/fakes.h"

namespace kestrix::fuzzing {

namespace {

// What a run may allocate beyond its files: this many times the bytes it
// reads and writes, plus a fixed allowance for the tables every run sets up.
constexpr std::size_t kBytesPerFileByte = 8;
constexpr std::size_t kFixedAllowance = 4u << 20;
// The console output kept for the report of a failed check.
constexpr std::size_t kConsoleTail = 16u << 10;

// Heap use of the run under way, kept by the sanitizer's allocation hooks.
bool tracking = false;
std::size_t heapNow = 0;
std::size_t heapPeak = 0;

void onAllocate(const volatile void*, std::size_t size) {
  if (!tracking) return;
  heapNow += size;
  if (heapNow > heapPeak) heapPeak = heapNow;
}

void onFree(const volatile void* pointer) {
  if (!tracking || pointer == nullptr) return;
  const std::size_t size = __sanitizer_get_allocated_size(const_cast<const void*>(pointer));
  heapNow -= std::min(size, heapNow);  // blocks from before the run may be freed during it
}

const bool hooksInstalled = __sanitizer_install_malloc_and_free_hooks(onAllocate, onFree) != 0;

std::string sourceFile(const std::string& relative) {
  std::ifstream in(std::string(KESTRIX_SOURCE_DIR) + "/" + relative, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "fuzz harness: cannot read %s\n", relative.c_str());
    std::abort();
  }
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// A console that answers from a list of lines, then reports the end of
// input, and keeps only the tail of what is written (and echoes everything
// when KESTRIX_FUZZ_ECHO is set, to follow one input by hand).
class FuzzConsole : public Console {
 public:
  explicit FuzzConsole(const std::vector<std::string>& input) : input_(input), echo_(std::getenv("KESTRIX_FUZZ_ECHO")) {}
  void write(std::string_view text) override {
    if (echo_) std::fwrite(text.data(), 1, text.size(), stderr);
    tail_.append(text.substr(text.size() > kConsoleTail ? text.size() - kConsoleTail : 0));
    if (tail_.size() > 2 * kConsoleTail) tail_.erase(0, tail_.size() - kConsoleTail);
  }
  bool readLine(std::string& line) override {
    if (next_ >= input_.size()) return false;
    line = input_[next_++];
    return true;
  }
  void flush() override {}
  const std::string& tail() const { return tail_; }

 private:
  const std::vector<std::string>& input_;
  std::size_t next_ = 0;
  bool echo_;
  std::string tail_;
};

// Counts the bytes written through an output file.
class CountingOutput : public OutputFile {
 public:
  CountingOutput(std::unique_ptr<OutputFile> file, std::size_t& written) : file_(std::move(file)), written_(written) {}
  void write(std::string_view text) override {
    written_ += text.size();
    file_->write(text);
  }
  bool close() override { return file_->close(); }

 private:
  std::unique_ptr<OutputFile> file_;
  std::size_t& written_;
};

// The memory file system, with every byte written counted.
class CountingFileSystem : public testing::MemoryFileSystem {
 public:
  std::unique_ptr<OutputFile> openWrite(const std::string& path) override {
    auto file = MemoryFileSystem::openWrite(path);
    if (!file) return nullptr;
    return std::make_unique<CountingOutput>(std::move(file), written);
  }

  std::size_t written = 0;  ///< bytes written so far
};

[[noreturn]] void report(const Model& model, const FuzzConsole& console, const std::vector<std::string>& faults) {
  std::fprintf(stderr, "\n==== Kestrix broke a promise ====\nCommand line:");
  for (const std::string& arg : model.args) std::fprintf(stderr, " [%s]", arg.c_str());
  std::fprintf(stderr, "\n---- console (last part) ----\n%s\n---- faults ----\n", console.tail().c_str());
  for (const std::string& fault : faults) std::fprintf(stderr, "%s\n", fault.c_str());
  std::abort();
}

void addTable(Model& model, const std::string& base) { model.files[base + ".tab"] = "!table\r\n"; }

}  // namespace

Model gisModel() {
  Model model;
  for (const char* base : {"survey", "start_lines"}) {
    model.files[std::string(base) + ".mif"] = sourceFile(std::string("examples/") + base + ".mif");
    model.files[std::string(base) + ".mid"] = sourceFile(std::string("examples/") + base + ".mid");
    addTable(model, base);
  }
  return model;
}

Model isisModel() {
  Model model;
  for (const char* name : {"proj.mif", "proj.mid", "model.dat"})
    model.files[name] = sourceFile(std::string("fuzz/model/") + name);
  return model;
}

Model mike11Model() {
  Model model;
  for (const char* name : {"proj.mif", "proj.mid", "xs.txt", "model.nwk11", "model.hd11"})
    model.files[name] = sourceFile(std::string("fuzz/model/") + name);
  return model;
}

std::string resistanceOption(unsigned selector) {
  static const char* const kOptions[] = {"-M", "-N", "-R", "-N2M"};
  return kOptions[selector & 3u];
}

std::string text(const std::uint8_t* data, std::size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}

void fuzzGisLayer(const std::uint8_t* data, std::size_t size, const char* extension) {
  if (size < 1) return;
  const unsigned selector = data[0];
  Model model = gisModel();
  model.files[std::string((selector & 1u) ? "start_lines" : "survey") + extension] = text(data + 1, size - 1);
  model.args = {"kestrix", resistanceOption(selector >> 2)};
  if (selector & 2u) model.args.push_back("-ppol");
  model.args.push_back("survey.mif");
  if (!(selector & 16u)) model.args.push_back("start_lines.mif");
  runChecked(model);
}

void fuzzMike11File(const std::uint8_t* data, std::size_t size, const char* name) {
  if (size < 1) return;
  const unsigned selector = data[0];
  Model model = mike11Model();
  model.files[name] = text(data + 1, size - 1);
  model.args = {"kestrix", resistanceOption(selector), "-m11"};
  if (selector & 4u) model.args.push_back("-trim");
  model.args.push_back("proj.mif");
  if (selector & 8u) {
    model.args.insert(model.args.end(), {"model.hd11", "model.nwk11", "xs.txt"});
  } else {
    model.args.insert(model.args.end(), {"xs.txt", "model.nwk11", "model.hd11"});
  }
  runChecked(model);
}

int runChecked(const Model& model) {
  if (!hooksInstalled) {
    std::fprintf(stderr, "fuzz harness: the allocation hooks could not be installed\n");
    std::abort();
  }
  CountingFileSystem fs;
  std::size_t inputBytes = 0;
  for (const auto& [name, bytes] : model.files) {
    fs.add(name, bytes, 100);  // every table as old as its layer
    inputBytes += name.size() + bytes.size();
  }
  for (const std::string& arg : model.args) inputBytes += arg.size();
  for (const std::string& line : model.console) inputBytes += line.size();
  FuzzConsole console(model.console);

  heapNow = heapPeak = 0;
  tracking = true;
  const int status = runKestrix(model.args, console, fs);
  tracking = false;

  testing::FileMap after;
  for (const std::string& name : fs.names()) after[name] = fs.content(name);
  std::vector<std::string> faults = testing::checkRunFiles(model.files, after, status);
  const std::size_t allowed = kBytesPerFileByte * (inputBytes + fs.written) + kFixedAllowance;
  if (std::getenv("KESTRIX_FUZZ_ECHO")) {
    std::fprintf(stderr, "\n[exit status %d; memory %zu bytes at most, %zu allowed for %zu read and %zu written]\n",
                 status, heapPeak, allowed, inputBytes, fs.written);
  }
  if (heapPeak > allowed) {
    faults.push_back("the run needed " + std::to_string(heapPeak) + " bytes of memory for " +
                     std::to_string(inputBytes) + " bytes read and " + std::to_string(fs.written) + " written");
  }
  if (!faults.empty()) report(model, console, faults);
  return status;
}

}  // namespace kestrix::fuzzing
