#pragma once
// GoogleTest's one-shot event, for the Windows build. Its own needs std::mutex and
// std::condition_variable, which MinGW's win32 thread model (cmake/mingw-w64-x86_64.cmake)
// lacks; this one is a Windows event (gtest_notification.cpp). tests/CMakeLists.txt includes
// it before everything else in each file compiled with GoogleTest, with GTEST_HAS_NOTIFICATION_.

namespace testing::internal {

class Notification {
public:
    Notification();
    ~Notification();
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify();
    void WaitForNotification();

private:
    void* event;  // a manual-reset event; windows.h stays out of every test file
};

}  // namespace testing::internal
