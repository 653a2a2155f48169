// A message as large as a conversion can meet goes from the bytes of its
// .eml file to a stored message within the address space of a 32-bit Windows
// process: the work runs in a child whose address space is capped. Peak
// memory has to stay a small multiple of the message, not many copies of it.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <iostream>

#include "../pst/TestFiles.h"
#include "mail/MessageBuilder.h"
#include "pst/Store.h"

namespace {

constexpr size_t kMessageBytes = 200u << 20;
// A 32-bit process has 2 GiB, of which the program, its DLLs and the heap's
// fragmentation take a share; 1.25 GiB is what a message may count on.
constexpr rlim_t kAddressSpace = rlim_t(1280) << 20;
constexpr uint64_t kNow = 134000000000000000ULL;

// A multipart message of `size` bytes, nearly all of it one base64 attachment
// (76-character lines), the way mail programs send a large file.
std::string LargeEml(size_t size, size_t& attachmentBytes) {
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string eml =
        "From: Big Sender <big@example.com>\r\nTo: Someone <someone@example.com>\r\nSubject: A large file\r\n"
        "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b1\"\r\n\r\n--b1\r\n"
        "Content-Type: text/plain\r\n\r\nThe file is attached.\r\n--b1\r\n"
        "Content-Type: application/octet-stream; name=\"large.bin\"\r\nContent-Transfer-Encoding: base64\r\n"
        "Content-Disposition: attachment; filename=\"large.bin\"\r\n\r\n";
    const std::string closing = "--b1--\r\n";
    eml.reserve(size);
    std::string line(76, 'A');
    line += "\r\n";
    attachmentBytes = 0;
    for (size_t n = 0; eml.size() + line.size() + closing.size() <= size; ++n) {
        for (size_t i = 0; i < 76; ++i) line[i] = kAlphabet[(n * 7 + i * 13) % 64];
        eml += line;
        attachmentBytes += 57;
    }
    return eml + closing;
}

}  // namespace

TEST(LargeMessage, TwoHundredMegabytesAreStoredWithinA32BitAddressSpace) {
    pst_test::TempDir dir("large_message");
    const std::string path = dir.File("large.pst");
    int fds[2];
    ASSERT_EQ(0, pipe(fds));
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(fds[0]);
        rlimit cap{kAddressSpace, kAddressSpace};
        if (setrlimit(RLIMIT_AS, &cap) != 0) _exit(2);
        try {
            size_t attachmentBytes = 0;
            // As the component does: the file's bytes live until the message is built.
            pst::MessageData message = mail::BuildMessage(LargeEml(kMessageBytes, attachmentBytes), {}, kNow);
            if (message.attachments.size() != 1 || message.attachments[0].bytes.size() != attachmentBytes) _exit(3);
            auto store = pst::Store::Create(path, "Large");
            if (!store) _exit(4);
            auto inbox = store.Value()->IpmSubtree().FindOrCreateSubfolder("Inbox");
            if (!inbox || !inbox->AddMessage(message)) _exit(5);
        } catch (const std::bad_alloc&) {
            _exit(6);
        }
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        long peakKb = usage.ru_maxrss;
        if (write(fds[1], &peakKb, sizeof peakKb) != sizeof peakKb) _exit(7);
        _exit(0);
    }
    close(fds[1]);
    int status = 0;
    waitpid(child, &status, 0);
    long peakKb = 0;
    bool reported = read(fds[0], &peakKb, sizeof peakKb) == sizeof peakKb;
    close(fds[0]);
    ASSERT_TRUE(WIFEXITED(status)) << "the child died of signal " << WTERMSIG(status);
    // 6: out of memory under the cap; the other codes name the step that failed.
    ASSERT_EQ(0, WEXITSTATUS(status)) << "the child failed with " << WEXITSTATUS(status);
    ASSERT_TRUE(reported);
    std::cout << "peak memory for a " << (kMessageBytes >> 20) << " MB message: " << peakKb / 1024 << " MB\n";

    size_t attachmentBytes = 0;
    LargeEml(kMessageBytes, attachmentBytes);
    auto store = pst::Store::Open(path);
    ASSERT_TRUE(store.IsOk()) << store.Message();
    auto messages = store.Value()->IpmSubtree().FindSubfolder("Inbox")->Messages();
    ASSERT_TRUE(messages.IsOk() && messages->size() == 1u) << messages.Message();
    ASSERT_EQ(1u, messages->front().data.attachments.size());
    EXPECT_EQ(attachmentBytes, messages->front().data.attachments[0].bytes.size());
}
