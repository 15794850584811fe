#include "gtest_notification.h"

#include "platform/windows_api.h"

namespace testing::internal {

Notification::Notification() : event(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
Notification::~Notification() { CloseHandle(event); }
void Notification::Notify() { SetEvent(event); }
void Notification::WaitForNotification() { WaitForSingleObject(event, INFINITE); }

}  // namespace testing::internal
