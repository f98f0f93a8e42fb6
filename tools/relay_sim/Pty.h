#pragma once
// The relay's end of the line: the master side of a pseudo-terminal whose slave side the host opens as a
// serial port, and the dosdevices link that names it as a COM port.
#include <string>

namespace relaysim {

class Pty {
  public:
    Pty() = default;
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;
    ~Pty();

    // Opens the pair in raw mode (no echo, no translation: every byte passes as it is), or with `raw` false
    // in the state the system gives a new terminal (XON/XOFF flow control, canonical input, echo), as a port
    // driver or another program may leave a line. The simulator keeps one slave descriptor open itself so
    // the master never sees a hang-up between host sessions.
    bool Open(bool raw, std::string& error);
    int master() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }
    // Drops bytes queued in either direction.
    void Flush();

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

// Creates `folder`/dosdevices/comN -> target (the folder dosdevices is created when missing; an old link of
// that name is replaced). Returns the link path, or an empty text with `error` set.
std::string CreateComLink(const std::string& folder, int com, const std::string& target, std::string& error);
// Removes the link if it still points at `target`.
void RemoveComLink(const std::string& link, const std::string& target);

// Folder of the running executable.
std::string ExecutableFolder();

}  // namespace relaysim
