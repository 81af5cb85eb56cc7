// SPDX-License-Identifier: Apache-2.0
// The printing service of this Windows system. (Apart from the system calls,
// whose windows.h would rename the service's EnumPrinters.)

#include "platform/winspool/WinspoolPrintingService.h"

namespace kevo::platform::winspool {

std::unique_ptr<PrintingService> MakeWinspoolPrintingService() {
    return std::make_unique<WinspoolPrintingService>(MakeSystemWinspoolApi());
}

} // namespace kevo::platform::winspool
