#include "ReaderStatus.h"

const char* readerStatusName(std::uint8_t status)
{
    switch (status) {
    case READER_OK:
        return "ok";
    case READER_NO_CARD:
        return "no card";
    case READER_NOT_POWERED:
        return "card not powered";
    case READER_BAD_ADDRESS:
        return "address or count out of range";
    case READER_NOT_VERIFIED:
        return "password not presented";
    case READER_WRONG_PASSWORD:
        return "wrong password";
    case READER_CARD_LOCKED:
        return "card locked";
    case READER_WRITE_PROTECTED:
        return "write protected";
    case READER_BAD_CHECK:
        return "request check byte wrong";
    case READER_BAD_FRAME:
        return "malformed request";
    case READER_UNKNOWN_COMMAND:
        return "unknown command";
    case READER_BAD_PARAMETER:
        return "bad parameter";
    case READER_FAULT:
        return "reader fault";
    default:
        return nullptr;
    }
}
