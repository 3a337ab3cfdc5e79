// CParamStore owns the parameter image, the request and reply frame buffers and the panel
// selections. Its operations live beside the subsystem that uses them:
//   panels (app/param_panels.cpp), requests (protocol/request_builder.cpp),
//   replies (protocol/reply_parser.cpp), parameter file (app/param_file_dialog.cpp).
#pragma once

#include <cstdint>

#include "params/calendar.h"
#include "params/param_image.h"

namespace travex {

class IDialogControls;

inline constexpr int kFrameBufferSize = 512;

class CParamStore {
 public:
  CParamStore();
  virtual ~CParamStore() = default;
  CParamStore(const CParamStore&) = delete;
  CParamStore& operator=(const CParamStore&) = delete;

  // --- base panel ---
  void CollectBaseInfo();
  void ShowBaseInfo();
  void ReadDateTimeFields(DateTimeFields* fields);
  void FillCurrentTime();
  void ShowCoefControls(bool visible);

  // --- channel panels ---
  void CollectArg1(uint8_t new_channel);
  void ShowArg1();
  void CollectGear(uint8_t new_gear);
  void ShowGear();
  void CollectArg2(uint8_t new_channel);
  void ShowArg2();
  void ShowAllPanels();
  void CollectAllPanels();
  void InitParamPanels();

  // --- request frames (result: frame length in `request`) ---
  uint16_t BuildReadRequest(uint16_t first_id, uint8_t count);
  uint16_t BuildWriteRequest(uint16_t first_id, uint8_t count);
  uint16_t ReadBaseRequest();
  uint16_t WriteBaseRequest();
  uint16_t ReadArg1Request();
  uint16_t WriteArg1Request();
  uint16_t ReadArg2Request();
  uint16_t WriteArg2Request();

  // --- replies (the frame of `length` bytes in `reply`); true when accepted ---
  bool HandleReply(uint16_t length);
  bool ParseReadReply(uint16_t length);
  bool ParseWriteReply(uint16_t length);

  // --- parameter file ---
  void ExportParamFile();
  void ImportParamFile();

  // The dialog whose controls and status panes the operations use; set once at start-up.
  IDialogControls* owner = nullptr;

  uint8_t request[kFrameBufferSize] = {};
  uint8_t reply[kFrameBufferSize] = {};
  uint16_t fw_version = 0;
  uint8_t arg1_channel = 0;
  uint8_t arg2_channel = 0;
  uint8_t gear_index[kChannelCount] = {};
  ParamImage image = {};
  bool last_request_was_write = false;
};

}  // namespace travex
