#include "scenario.h"

#include <iconv.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

void InFreshProcess(const std::function<void()>& body) {
    std::fflush(stdout);
    std::fflush(stderr);
    pid_t child = fork();
    ASSERT_NE(child, -1) << "fork failed";
    if (child == 0) {
        body();
        std::fflush(stdout);
        std::fflush(stderr);
        _exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the scenario failed in its own process (wait status " << status << ")";
}

int RunWinMain(int showCommand) {
    return WinMain(nullptr, nullptr, const_cast<char*>(""), showCommand);
}

std::string FatalText(const std::string& step) {
    std::string utf8 = "Программа прервана\nОшибка в " + step;
    iconv_t cd = iconv_open("CP1251", "UTF-8");
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
    std::string out(utf8.size(), '\0');
    char* in = utf8.data();
    size_t inLeft = utf8.size();
    char* to = out.data();
    size_t outLeft = out.size();
    EXPECT_NE(iconv(cd, &in, &inLeft, &to, &outLeft), static_cast<size_t>(-1));
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

SurfaceImage ReadSurface(LPDIRECTDRAWSURFACE surface) {
    SurfaceImage image;
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    if (surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != DD_OK) {
        ADD_FAILURE() << "cannot lock the surface";
        return image;
    }
    image.width = static_cast<int>(desc.dwWidth);
    image.height = static_cast<int>(desc.dwHeight);
    image.pitch = desc.lPitch;
    const uint8_t* p = static_cast<const uint8_t*>(desc.lpSurface);
    image.bytes.assign(p, p + static_cast<size_t>(image.pitch) * image.height);
    surface->Unlock(nullptr);
    return image;
}

void FillSurface(LPDIRECTDRAWSURFACE surface, uint8_t value) {
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    std::memset(desc.lpSurface, value, static_cast<size_t>(desc.lPitch) * desc.dwHeight);
    surface->Unlock(nullptr);
}
