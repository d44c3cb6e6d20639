// Console control: escape sequences on a terminal (a pseudo-terminal here), nothing when
// standard output is not a terminal, and keys from a terminal or from plain input.
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>

#include <atomic>
#include <thread>

#include "support.h"

namespace tarn::rt::test {
namespace {

using vm::Std;

// Standard input and output moved onto the slave side of a pseudo-terminal of 80x25 for
// the lifetime of the object; a thread collects what reaches the master side and answers
// cursor-position queries with row 5, column 10.
class Terminal {
public:
    Terminal() {
        winsize ws{};
        ws.ws_col = 80;
        ws.ws_row = 25;
        if (openpty(&master_, &slave_, nullptr, nullptr, &ws) != 0) return;
        std::fflush(stdout);
        savedIn_ = dup(STDIN_FILENO);
        savedOut_ = dup(STDOUT_FILENO);
        dup2(slave_, STDIN_FILENO);
        dup2(slave_, STDOUT_FILENO);
        reader_ = std::thread([this] { Collect(); });
        ok_ = true;
    }
    ~Terminal() { Restore(); }
    bool ok() const { return ok_; }

    void Type(const std::string& keys) { (void)!write(master_, keys.data(), keys.size()); }

    // Puts standard input and output back and returns what the screen received.
    std::string Restore() {
        if (!ok_) return screen_;
        dup2(savedIn_, STDIN_FILENO);
        dup2(savedOut_, STDOUT_FILENO);
        close(savedIn_);
        close(savedOut_);
        close(slave_);
        stop_ = true;
        reader_.join();
        close(master_);
        ok_ = false;
        return screen_;
    }

private:
    void Collect() {
        while (!stop_) {
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0) continue;
            char buf[256];
            ssize_t n = read(master_, buf, sizeof buf);
            if (n <= 0) return;
            screen_.append(buf, static_cast<size_t>(n));
            if (screen_.find("\x1b[6n", answered_) != std::string::npos) {
                answered_ = screen_.size();
                (void)!write(master_, "\x1b[5;10R", 7);
            }
        }
    }
    int master_ = -1, slave_ = -1, savedIn_ = -1, savedOut_ = -1;
    bool ok_ = false;
    std::atomic<bool> stop_{false};
    size_t answered_ = 0;
    std::string screen_;
    std::thread reader_;
};

class Console : public StdlibTest {
protected:
    void Two(Std n, int32_t a, int32_t b) {
        PushInt(a);
        PushInt(b);
        Call(n);
        ExpectEmptyStack();
    }
    void One(Std n, int32_t a) {
        PushInt(a);
        Call(n);
        ExpectEmptyStack();
    }
    uint32_t Result(Std n) {
        Call(n);
        uint32_t v = PopWord();
        ExpectEmptyStack();
        return v;
    }
};

TEST_F(Console, ScreenSequencesOnATerminal) {
    Terminal term;
    ASSERT_TRUE(term.ok());
    Call(Std::ClrScr);
    Two(Std::GotoXY, 3, 7);
    Two(Std::GotoXY, 0, 5);    // outside the screen: the cursor stays
    Two(Std::GotoXY, 81, 5);
    Two(Std::GotoXY, 80, 25);
    Two(Std::GotoXY, 5, 26);
    One(Std::TextColor, 14);      // yellow: bright red + green
    One(Std::TextColor, 1);       // blue
    One(Std::TextBackground, 4);  // red
    One(Std::TextBackground, 9);  // bright blue
    usleep(100000);
    std::string screen = term.Restore();
    EXPECT_EQ(screen, "\x1b[2J\x1b[H\x1b[7;3H\x1b[25;80H\x1b[93m\x1b[34m\x1b[41m\x1b[104m");
}

TEST_F(Console, CursorPositionComesFromTheTerminal) {
    Terminal term;
    ASSERT_TRUE(term.ok());
    uint32_t x = Result(Std::WhereX);
    uint32_t y = Result(Std::WhereY);
    term.Restore();
    EXPECT_EQ(x, 10u);
    EXPECT_EQ(y, 5u);
}

TEST_F(Console, KeysFromATerminal) {
    Terminal term;
    ASSERT_TRUE(term.ok());
    uint32_t before = Result(Std::KeyPressed);
    term.Type("a\r\x1b[A\x1b[3~\x1bOP");
    usleep(100000);
    uint32_t after = Result(Std::KeyPressed);
    std::vector<uint32_t> keys;
    for (int i = 0; i < 8; ++i) keys.push_back(Result(Std::ReadKey));
    uint32_t drained = Result(Std::KeyPressed);
    term.Restore();
    EXPECT_EQ(before, 0u);
    EXPECT_EQ(after, 1u);
    EXPECT_EQ(keys, (std::vector<uint32_t>{'a', 13, 0, 72, 0, 83, 0, 59}));
    EXPECT_EQ(drained, 0u);
}

TEST_F(Console, NothingIsWrittenWhenOutputIsNotATerminal) {
    std::string path = TempPath("console");
    std::fflush(stdout);
    int saved = dup(STDOUT_FILENO);
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    dup2(fd, STDOUT_FILENO);
    close(fd);
    Call(Std::ClrScr);
    Two(Std::GotoXY, 1, 1);
    One(Std::TextColor, 2);
    One(Std::TextBackground, 3);
    uint32_t x = Result(Std::WhereX);
    uint32_t y = Result(Std::WhereY);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    EXPECT_EQ(ReadFile(path), "");
    EXPECT_EQ(x, 1u);
    EXPECT_EQ(y, 1u);
    std::remove(path.c_str());
}

TEST_F(Console, KeysFromPlainInput) {
    int p[2];
    ASSERT_EQ(pipe(p), 0);
    ASSERT_EQ(write(p[1], "q\x1b[A", 4), 4);
    close(p[1]);
    int saved = dup(STDIN_FILENO);
    dup2(p[0], STDIN_FILENO);
    close(p[0]);
    uint32_t pressed = Result(Std::KeyPressed);
    std::vector<uint32_t> keys;
    for (int i = 0; i < 4; ++i) keys.push_back(Result(Std::ReadKey));
    uint32_t atEnd = Result(Std::KeyPressed);
    uint32_t pastEnd = Result(Std::ReadKey);
    dup2(saved, STDIN_FILENO);
    close(saved);
    EXPECT_EQ(pressed, 1u);
    EXPECT_EQ(keys, (std::vector<uint32_t>{'q', 0x1b, '[', 'A'}));  // no translation off a terminal
    EXPECT_EQ(atEnd, 0u);
    EXPECT_EQ(pastEnd, 0u);
}

}  // namespace
}  // namespace tarn::rt::test
