#include "address/device_address.h"

namespace tc24::address {

// Being written.
void cmdReadAdd_Click(Window&) {}
void cmdChangeID_Click(Window&) {}
void decodeAddressReply(Window&, ByteView) {}

}  // namespace tc24::address
