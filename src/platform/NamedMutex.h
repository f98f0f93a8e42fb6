#pragma once
// A named mutex of the user's session. The program creates one at start and holds it until it ends; whether
// another process already held the name is reported, never acted on.
#include <string>

namespace platform {

class NamedMutex {
  public:
    NamedMutex() = default;
    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    // Creates (or joins) the mutex `name`. Returns false only when nothing could be created at all; a name
    // another process holds still succeeds, with AlreadyExisted() true. A second call releases the first
    // name.
    bool Create(const std::string& name);
    bool AlreadyExisted() const { return alreadyExisted_; }
    // Gives the name up (also done by the destructor and by the end of the process).
    void Release();

  private:
    int fd_ = -1;
    bool alreadyExisted_ = false;
};

}  // namespace platform
