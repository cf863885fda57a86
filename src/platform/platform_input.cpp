// The input files of the system file system: lines read in large blocks of
// their own from a C stream. Apart from the writing side, which shares
// nothing with it but the file system that opens both.

#include <cstdio>
#include <cstring>

#include "platform/platform_internal.h"

namespace kestrix {
namespace {

class StdioInputFile : public InputFile {
 public:
  explicit StdioInputFile(std::FILE* file) : file_(file) {
    std::setvbuf(file_, nullptr, _IONBF, 0);  // read in blocks of our own
    buffer_.resize(1 << 18);
  }
  ~StdioInputFile() override { std::fclose(file_); }

  ReadStatus readLine(std::string& line) override {
    line.clear();
    bool any = false;
    for (;;) {
      if (pos_ == len_ && !fill()) break;
      any = true;
      const char* start = buffer_.data() + pos_;
      const char* stop = static_cast<const char*>(std::memchr(start, '\n', len_ - pos_));
      if (stop) {
        line.append(start, stop - start);
        pos_ += (stop - start) + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return ReadStatus::Ok;
      }
      line.append(start, len_ - pos_);
      pos_ = len_;
    }
    if (error_) return ReadStatus::Error;
    if (!any) return ReadStatus::End;
    // A last line without a line end is still a line.
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return ReadStatus::Ok;
  }

  ReadStatus readLineView(std::string_view& line) override {
    // A line whole in the block is shown where it stands; one that runs past
    // the block (or a block used up) goes the general way, into a string of its own.
    if (pos_ < len_) {
      const char* start = buffer_.data() + pos_;
      const char* stop = static_cast<const char*>(std::memchr(start, '\n', len_ - pos_));
      if (stop) {
        std::size_t length = static_cast<std::size_t>(stop - start);
        pos_ += length + 1;
        if (length > 0 && start[length - 1] == '\r') --length;
        line = std::string_view(start, length);
        return ReadStatus::Ok;
      }
    }
    const ReadStatus status = readLine(spill_);
    line = spill_;
    return status;
  }

  bool atEnd() override { return pos_ == len_ && !fill(); }

  void rewind() override {
    std::rewind(file_);
    pos_ = len_ = 0;
    eof_ = error_ = false;
  }

 private:
  bool fill() {
    if (eof_ || error_) return false;
    len_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
    pos_ = 0;
    if (len_ == 0) {
      if (std::ferror(file_)) error_ = true;
      eof_ = true;
      return false;
    }
    return true;
  }

  std::FILE* file_;
  std::string buffer_;
  std::string spill_;  // a line readLineView could not show in the block
  std::size_t pos_ = 0, len_ = 0;
  bool eof_ = false, error_ = false;
};

}  // namespace

std::unique_ptr<InputFile> makeStdioInputFile(std::FILE* file) { return std::make_unique<StdioInputFile>(file); }

}  // namespace kestrix
