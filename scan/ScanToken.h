#pragma once
// How a scan learns that its owner wants it to pause or stop. A scan asks at
// every block and after every marker; it never suspends or kills anything.
namespace mailbox {

class ScanToken {
public:
    virtual ~ScanToken() = default;
    virtual bool StopRequested() = 0;
    // Blocks while the owner holds the scan paused; returns at once otherwise.
    virtual void WaitWhilePaused() = 0;
};

// A token that never pauses or stops: command-line runs and tests.
class NeverStop final : public ScanToken {
public:
    bool StopRequested() override { return false; }
    void WaitWhilePaused() override {}
};

// Lets any object with StopRequested() and WaitWhilePaused() (the worker
// token of the pages) drive a scan without depending on its header.
template <class Token>
class ScanTokenFor final : public ScanToken {
public:
    explicit ScanTokenFor(Token& token) : m_token(token) {}
    bool StopRequested() override { return m_token.StopRequested(); }
    void WaitWhilePaused() override { m_token.WaitWhilePaused(); }

private:
    Token& m_token;  // not owned
};

}  // namespace mailbox
