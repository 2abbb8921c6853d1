#include "tools/key_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/fatal.h"
#include "support/helpers.h"
#include "support/iobuf.h"

namespace {

struct fault_texts {
  const char* unreadable;
  const char* not_regular;
  const char* writable;
  const char* other_owner;
  const char* empty;
};

constexpr fault_texts SECRET_FAULTS = {
    "unable to read secret: ",
    "secret is not a regular file",
    "secret is writable by group or others",
    nullptr,  // the secret's owner is the one secret.old must have
    "secret is empty",
};

constexpr fault_texts OLD_FAULTS = {
    "unable to read secret.old: ",
    "secret.old is not a regular file",
    "secret.old is writable by group or others",
    "secret.old has another owner than the secret",
    "secret.old is empty",
};

verdict fault(const char* message, int error = 0) { return {EXIT_IOFAIL, message, error}; }

// Checks the opened file and reads its key as secret_load does, one read of
// at most SECRET_MAX bytes, into fresh: good, or the fault.
verdict read_trusted(int fd, const fault_texts& texts, key_role role, uid_t owner,
                     char fresh[SECRET_MAX], int32_t* fresh_len, uid_t* file_owner) {
  struct stat st;
  if (fstat(fd, &st) != 0) return fault(texts.unreadable, errno);
  if (!S_ISREG(st.st_mode)) return fault(texts.not_regular);
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) return fault(texts.writable);
  if (role == key_role::old && st.st_uid != owner) return fault(texts.other_owner);
  *file_owner = st.st_uid;

  char storage[SECRET_MAX];
  iobuf in;
  iobuf_init(&in, fd_read, fd, storage, SECRET_MAX);
  *fresh_len = iobuf_get(&in, fresh, SECRET_MAX);
  if (*fresh_len < 0) return fault(texts.unreadable, errno);
  if (*fresh_len == 0) return fault(texts.empty);
  return VERDICT_GOOD;
}

// Keeps the stretched seed while the bytes stay the same.
void keep(key_file* file, const char* fresh, int32_t fresh_len) {
  if (fresh_len == file->key_len && mem_diff(fresh, static_cast<uint32_t>(fresh_len), file->key) == 0)
    return;
  mem_copy(file->key, static_cast<uint32_t>(fresh_len), fresh);
  file->key_len = fresh_len;
  file->seeded = false;
}

}  // namespace

verdict key_file_load(key_file* file, const char* path, key_role role, uid_t owner) {
  const fault_texts& texts = role == key_role::secret ? SECRET_FAULTS : OLD_FAULTS;
  const int flags = O_RDONLY | O_NONBLOCK | (role == key_role::old ? O_NOFOLLOW : 0);
  const int fd = open(path, flags);
  if (fd < 0) {
    if (role == key_role::old && errno == ENOENT) {
      file->key_len = 0;
      return VERDICT_GOOD;
    }
    // O_NOFOLLOW fails so on a symbolic link.
    if (role == key_role::old && errno == ELOOP) return fault(texts.not_regular);
    return fault(texts.unreadable, errno);
  }
  char fresh[SECRET_MAX];
  int32_t fresh_len = 0;
  uid_t file_owner = 0;
  const verdict v = read_trusted(fd, texts, role, owner, fresh, &fresh_len, &file_owner);
  close(fd);  // the bytes are read, or the fault is known
  if (v.status == 0) {
    keep(file, fresh, fresh_len);
    file->owner = file_owner;
  }
  mem_wipe(fresh, sizeof fresh);
  return v;
}

const uint32_t* key_file_seed(key_file* file) {
  if (!file->seeded) {
    cookie_stretch(file->seed, file->key, file->key_len);
    file->seeded = true;
  }
  return file->seed;
}
