// Opens the node given as its argument as a HID application would, without hidapi, and prints
// what each hidraw operation gives, one line each. Run under umockdev's preload by the system test.
#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

void printResult(const char* what, long result)
{
    if (result < 0) {
        std::printf("%s -1 %s\n", what, std::strerror(errno));
    } else {
        std::printf("%s %ld\n", what, result);
    }
}

void printHex(const char* what, const unsigned char* bytes, long count)
{
    std::printf("%s", what);
    for (long i = 0; i < count; ++i) {
        std::printf("%02X", bytes[i]);
    }
    std::printf("\n");
}

int readable(int fd, int timeoutMs)
{
    pollfd wait{fd, POLLIN, 0};
    return ::poll(&wait, 1, timeoutMs);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        return 2;
    }
    const int fd = ::open(argv[1], O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        printResult("open", -1);
        return 1;
    }

    int size = 0;
    printResult("descriptor size", ::ioctl(fd, HIDIOCGRDESCSIZE, &size));
    std::printf("size %d\n", size);
    hidraw_report_descriptor descriptor{};
    descriptor.size = static_cast<__u32>(size);
    printResult("descriptor", ::ioctl(fd, HIDIOCGRDESC, &descriptor));
    printHex("bytes ", descriptor.value, size);
    hidraw_devinfo info{};
    printResult("info", ::ioctl(fd, HIDIOCGRAWINFO, &info));
    std::printf("bus %u vendor %04X product %04X\n", info.bustype,
                static_cast<unsigned>(static_cast<unsigned short>(info.vendor)),
                static_cast<unsigned>(static_cast<unsigned short>(info.product)));
    char text[256] = {};
    printResult("name", ::ioctl(fd, HIDIOCGRAWNAME(sizeof text), text));
    std::printf("%s\n", text);
    printResult("uniq", ::ioctl(fd, HIDIOCGRAWUNIQ(sizeof text), text));
    std::printf("%s\n", text);
    char cut[4] = {};
    printResult("uniq cut", ::ioctl(fd, HIDIOCGRAWUNIQ(sizeof cut), cut));
    unsigned char feature[65] = {};
    printResult("feature", ::ioctl(fd, HIDIOCGFEATURE(sizeof feature), feature));

    printResult("idle poll", readable(fd, 100));
    unsigned char report[65] = {};
    printResult("short write", ::write(fd, report, 10));
    report[0] = 1;
    printResult("numbered write", ::write(fd, report, sizeof report));

    // A serial-number request: read flags, sequence 0, length 2, command 0x0233.
    const unsigned char request[] = {0, 0xC0, 0x00, 0x02, 0x00, 0x33, 0x02};
    std::memset(report, 0, sizeof report);
    std::memcpy(report, request, sizeof request);
    printResult("write", ::write(fd, report, sizeof report));
    printResult("poll", readable(fd, 1000));
    unsigned char reply[128] = {};
    const long got = ::read(fd, reply, sizeof reply);
    printResult("read", got);
    printHex("reply ", reply, got > 0 ? got : 0);
    printResult("drained poll", readable(fd, 100));
    printResult("drained read", ::read(fd, reply, sizeof reply));
    ::close(fd);
    return 0;
}
