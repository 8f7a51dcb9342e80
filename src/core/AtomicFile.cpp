#include "core/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace spinwave {

static void SetError(std::string* error, const std::string& what, int err) {
  if (error) *error = what + ": " + std::strerror(err);
}

bool ReadWholeFile(const std::string& path, std::string& out, std::string* error) {
  out.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    SetError(error, path, errno);
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    SetError(error, path, EISDIR);
    return false;
  }
  if (st.st_size > 0) out.reserve(static_cast<size_t>(st.st_size));
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      SetError(error, path, err);
      return false;
    }
    if (n == 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return true;
}

bool WriteFileAtomically(const std::string& path, std::string_view data, std::string* error) {
  std::string tmpl = path + ".tmp-XXXXXX";
  const int fd = ::mkstemp(tmpl.data());
  if (fd < 0) {
    SetError(error, path, errno);
    return false;
  }
  // Keep the permission bits of the file we replace; a new file gets the usual 0666 & ~umask.
  struct stat st {};
  mode_t mode;
  if (::stat(path.c_str(), &st) == 0) {
    mode = st.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  ::fchmod(fd, mode);

  const char* p = data.data();
  size_t left = data.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      ::unlink(tmpl.c_str());
      SetError(error, path, err);
      return false;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    const int err = errno;
    ::unlink(tmpl.c_str());
    SetError(error, path, err);
    return false;
  }
  if (::rename(tmpl.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(tmpl.c_str());
    SetError(error, path, err);
    return false;
  }
  return true;
}

bool CopyFileAtomically(const std::string& from, const std::string& to, std::string* error) {
  std::string bytes;
  if (!ReadWholeFile(from, bytes, error)) return false;
  return WriteFileAtomically(to, bytes, error);
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace spinwave
