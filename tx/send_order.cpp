#include "tx/send_order.h"

#include "tx/encoding.h"

namespace vantrel {

void sendCommand(const SendRequest& request, SendSteps& steps) {
    if (!steps.portOpen()) {
        steps.showPortError();
        return;
    }
    if (request.text.empty()) return;
    if (request.text.size() < kHistoryTextLimit) steps.recordHistory(request.text);

    const EncodedPacket packet = encodePacket(request.text, request.tail, request.mode);
    steps.logLine(completeTxLine(packet.shown, request.showTime, request.now));
    steps.queue(packet.bytes);
    steps.packetQueued();
}

}  // namespace vantrel
