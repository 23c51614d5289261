// Files as the system keeps them on disk.
//
// Text files (tables, settings, sessions, CSV, logs) are stored the way a
// Windows program writes them in text mode: every LF of the text becomes CR LF
// on disk.  Readers accept both CR LF and bare LF and hand out LF only.
//
// Every rewrite of a file goes through atomic_rewrite(): the new contents go to
// a temporary file in the same directory, every write is checked, the file is
// flushed and synced, and only then renamed over the old one.  A failure at any
// step leaves the old file exactly as it was and is reported.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace kal {

// LF -> CR LF, for every LF, exactly as a Windows text-mode stream writes.
std::string text_to_disk(std::string_view text);
// CR LF -> LF; a CR that is not followed by LF stays.
std::string text_from_disk(std::string_view bytes);

// Reads a whole file.  0 on success, -1 when the file cannot be opened or read
// (errno is kept for the caller).
int read_file(const std::string& path, std::string& out);
// Reads a text file and turns CR LF into LF.
int read_text_file(const std::string& path, std::string& out);
// The same for the small files read again and again (templates): a file's
// text is kept after its first read and handed out again for as long as the
// file's identity, size and change times stay what they were.  A file changed
// within the last two seconds is read every time, so that a change made
// within the file system's clock tick is never missed.
int read_text_file_cached(const std::string& path, std::string& out);

// Replaces the file at path by bytes.  0 on success; -1 on failure, with a
// console message and, when err is given, the reason in *err.
int atomic_rewrite(const std::string& path, std::string_view bytes, std::string* err = nullptr);
// The same without syncing to the disk: readers never see a half-written file,
// but a crash may leave the old contents.  For files that only need to be whole,
// not durable (the heartbeat).
int replace_file_nosync(const std::string& path, std::string_view bytes, std::string* err = nullptr);
// The same for text: LF is written as CR LF.
int write_text_file(const std::string& path, std::string_view text, std::string* err = nullptr);

// Removes the temporary files that rewrites of a process killed in the middle
// left in dir ("<name>.tmp<process id>" of a process that no longer runs),
// with one console line per file.  Nothing else is touched.  The number of
// files removed.
int remove_rewrite_leftovers(const std::string& dir);

bool file_exists(const std::string& path);

// The rewrite of atomic_rewrite() for contents made piece by piece: each
// piece goes into the temporary file as it comes, and commit() syncs it and
// renames it over the file.  A failure on the way is kept and reported by
// commit(), with the same console message and result as atomic_rewrite()'s;
// a rewrite never committed leaves no temporary file behind.
class AtomicFile {
 public:
  // A durable rewrite begun under a JoinCommit guard while a commit is open
  // joins that commit (platform/commit.hpp): commit() then leaves syncing
  // and renaming the temporary file to the commit.
  explicit AtomicFile(std::string path, bool durable = true);
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;
  ~AtomicFile();
  void write(std::string_view bytes);
  // 0 on success; -1 on failure (also when called again), with a console
  // message and, when err is given, the reason in *err.
  int commit(std::string* err = nullptr);

 private:
  bool open_temporary();
  void failed(const char* step, const std::string& name, int e);
  void drop_temporary();
  int finish(std::string* err);

  std::string path_;
  std::string tmp_;
  bool durable_;
  bool joined_;
  int fd_ = -1;
  bool done_ = false;
  uint64_t written_ = 0;  // bytes in the temporary file
  uint64_t flushing_ = 0;  // bytes whose writing to the disk has been begun
  // The first failure: its step, the file concerned and errno.
  const char* fail_step_ = nullptr;
  std::string fail_name_;
  int fail_errno_ = 0;
};

// A text file being built in memory, committed whole with commit().
// put/write/printf take LF line ends; commit() writes CR LF.  Built in disk
// form, the buffer holds the file's bytes themselves (each LF put in as
// CR LF at once), so that commit() writes it without a further pass; text()
// then gives those bytes.
//
// A large file may instead be streamed (stream()): its bytes then go into the
// rewrite's temporary file as they are made, a piece at a time, and commit()
// writes the rest and completes the rewrite, with the same results and
// messages.  text() then holds only the bytes not yet written.
class TextOut {
 public:
  enum Form { text_form, disk_form };
  explicit TextOut(std::string path = {}, Form form = text_form)
      : path_(std::move(path)), disk_(form == disk_form) {}
  void put(char c) {
    if (disk_ && c == '\n') buf_.push_back('\r');
    buf_.push_back(c);
    if (file_ && buf_.size() >= kPiece) spill();
  }
  void write(std::string_view s) {
    if (disk_) {
      append_disk(s);
    } else {
      buf_.append(s);
    }
    if (file_ && buf_.size() >= kPiece) spill();
  }
  // Bytes already in the buffer's form (in disk form with CR LF line ends),
  // taken as they are.
  void write_formed(std::string_view bytes) {
    if (file_ && buf_.empty() && disk_) {
      file_->write(bytes);
      return;
    }
    buf_.append(bytes);
    if (file_ && buf_.size() >= kPiece) spill();
  }
  // Whether the buffer holds the file's bytes (disk form).
  bool disk() const { return disk_; }
  // printf into the buffer; fmt must be a literal of the program, never data.
  void printf(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
  void reserve(std::size_t bytes) { buf_.reserve(bytes); }
  const std::string& text() const { return buf_; }
  std::string& text() { return buf_; }
  const std::string& path() const { return path_; }
  // From now on the bytes go to path's rewrite as they are made.
  void stream() {
    if (!file_) file_ = std::make_unique<AtomicFile>(path_);
  }
  int commit(std::string* err = nullptr) {
    if (file_) {
      spill();
      int rc = file_->commit(err);
      file_.reset();
      return rc;
    }
    return disk_ ? atomic_rewrite(path_, buf_, err) : write_text_file(path_, buf_, err);
  }

 private:
  static constexpr std::size_t kPiece = 1 << 16;
  void append_disk(std::string_view s);
  void spill();

  std::string path_;
  std::string buf_;
  bool disk_ = false;
  std::unique_ptr<AtomicFile> file_;  // set while streamed
};

// A text file read into memory (CR LF already turned into LF), read byte by
// byte like a stdio stream.
class TextIn {
 public:
  TextIn() = default;
  explicit TextIn(std::string text) : buf_(std::move(text)) {}
  // 0 when the file was read, -1 when it could not be opened.
  int open(const std::string& path) { pos_ = 0; return read_text_file(path, buf_); }
  int getc() { return pos_ < buf_.size() ? static_cast<unsigned char>(buf_[pos_++]) : EOF; }
  int peek() const { return pos_ < buf_.size() ? static_cast<unsigned char>(buf_[pos_]) : EOF; }
  void ungetc() { if (pos_ > 0) --pos_; }
  bool eof() const { return pos_ >= buf_.size(); }
  // Reads up to and including the next LF; false at the end of the text.
  // The LF is not stored in line; *had_lf tells whether the line ended with one.
  bool getline(std::string& line, bool* had_lf = nullptr);
  std::size_t pos() const { return pos_; }
  void seek(std::size_t p) { pos_ = p < buf_.size() ? p : buf_.size(); }
  const std::string& text() const { return buf_; }

 private:
  std::string buf_;
  std::size_t pos_ = 0;
};

}  // namespace kal
