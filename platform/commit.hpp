// One request, one commit.
//
// A request (or a long job) may change several files that only make sense
// together: a document, its lines and the stock they moved; a repair and the
// rows that hang on it; the sessions and the session's variables.  Each file
// is replaced atomically by its rewrite (platform/textfile.hpp), but a crash
// between two of them would leave the files disagreeing.
//
// While a CommitScope is open, a durable rewrite made under a JoinCommit guard
// does not replace its file at once: its temporary file is written and
// handed to the scope.  The scope's commit() then syncs every temporary (once,
// however often the file was rewritten), writes one commit record listing
// every such pair (temporary file, file), syncs it, renames the
// temporaries over their files and syncs their directories.  A crash before
// the record is whole leaves every old file in place; a crash after it is
// completed by commit_recover() at the next start.  A file rewritten twice in
// one scope is renamed once, with its last contents.
//
// While the scope is open, read_file() and file_exists() see the rewrites it
// holds, so that what a request saved, it also reads back.
//
// A joined rewrite that fails fails the whole scope: its commit() then
// replaces nothing, and every old file stays as it was.
#pragma once

#include <functional>
#include <string>

namespace kal {

// The commit record's name in the install directory (the current directory).
inline constexpr char kCommitRecord[] = "commit.txt";

class CommitScope {
 public:
  // Opens a commit whose record is record_path; inside an open scope a new
  // scope is part of the outer one (its commit() does nothing; the outer one
  // commits everything).
  explicit CommitScope(std::string record_path = kCommitRecord);
  CommitScope(const CommitScope&) = delete;
  CommitScope& operator=(const CommitScope&) = delete;
  // A scope left without commit() drops what it holds: the old files stay.
  ~CommitScope();
  // Makes every rewrite the scope holds land together.  0 on success (also
  // when it held nothing); -1 when a joined rewrite failed (which its caller
  // heard of when it happened), -2 when the commit itself could not be made;
  // either way with a console message and the reason in *err.
  int commit(std::string* err = nullptr);
  // Whether this scope is the one that commits (not nested in another).
  bool outermost() const { return outermost_; }

 private:
  bool outermost_;
  bool done_ = false;
};

// While one is alive (they nest), durable rewrites join the open commit, if
// any.  join = false makes the guard a no-op.
class JoinCommit {
 public:
  explicit JoinCommit(bool join = true);
  JoinCommit(const JoinCommit&) = delete;
  JoinCommit& operator=(const JoinCommit&) = delete;
  ~JoinCommit();

 private:
  bool join_;
};

// Whether a rewrite made now would join a commit.
bool commit_joining();
// Runs fn if the open commit is dropped instead of landing (for caches of
// what a file holds); run at once never, dropped after a commit that landed.
// Without an open commit, nothing is kept.
void commit_on_abort(std::function<void()> fn);

// At start-up, before any file is read: completes the commit a crash
// interrupted after its record was whole, or removes the temporary files of
// one whose record was not; then empties the record.  One console line per
// file.  The number of files replaced.
int commit_recover(const std::string& record_path = kCommitRecord);

namespace commit_detail {
// Used by the rewrites of platform/textfile.cpp.
// The temporary file name of a joined rewrite of path.
std::string temp_name(const std::string& path);
// The joined rewrite of path is whole in tmp (not synced yet: the commit
// syncs it).
void add(const std::string& path, const std::string& tmp);
// A joined rewrite failed: the whole commit fails with why.
void fail(const std::string& why);
// The temporary file that holds path's contents in the open commit, or
// nullptr.
const std::string* pending(const std::string& path);
// Called, when set, once a commit's record is whole and before any file is
// replaced: where the tests stop a process the way a crash would.
extern void (*after_record)();
}  // namespace commit_detail

}  // namespace kal
