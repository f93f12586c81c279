#include "input/system_driver.h"

#include <cstdio>

#include "input/console_prompts.h"
#include "input/sdl_system_driver.h"
#include "runtime/error.h"

namespace salvo {
namespace {

Ref<TSystemDriver> systemDriver;
bool systemModuleStarted = false;

[[noreturn]] void AbstractCall() {
  ThrowRuntimeError(kAbstractCallMessage);
}

}  // namespace

void TSystemDriver::Poll() {
  AbstractCall();
}
void TSystemDriver::Wait() {
  AbstractCall();
}
int TSystemDriver::Millis() {
  AbstractCall();
}
void TSystemDriver::Delay(int) {
  AbstractCall();
}
int TSystemDriver::GetChar() {
  AbstractCall();
}
int TSystemDriver::KeyPressCount(int) {
  AbstractCall();
}
int TSystemDriver::KeyDown(int) {
  AbstractCall();
}
void TSystemDriver::ResetKeys() {
  AbstractCall();
}
int TSystemDriver::MouseCoordinate(int) {
  AbstractCall();
}
void TSystemDriver::MoveMouse(int, int) {
  AbstractCall();
}

void TSystemDriver::Notify(const String& text, bool) {
  ConsoleNotify(text, stdout);
}

int TSystemDriver::Confirm(const String& text, bool) {
  return ConsoleConfirm(text, stdin, stdout);
}

int TSystemDriver::Proceed(const String& text, bool) {
  return ConsoleProceed(text, stdin, stdout);
}

String TSystemDriver::RequestFile(const String&, const String&, bool, const String&) {
  return ConsolePrompt("Enter a filename:", stdin, stdout);
}

String TSystemDriver::RequestDir(const String&, const String&) {
  return ConsolePrompt("Enter a directory name:", stdin, stdout);
}

void TSystemDriver::WaitTimeout(int ms) {
  Delay(ms);
  Poll();
}

void SetSystemDriver(Ref<TSystemDriver> driver) {
  systemDriver = std::move(driver);
}

Ref<TSystemDriver> GetSystemDriver() {
  return systemDriver;
}

void InitSystemModule() {
  if (systemModuleStarted) return;
  systemModuleStarted = true;
  if (!systemDriver) systemDriver = New<TSDLSystemDriver>();
}

TSystemDriver& CurrentSystemDriver() {
  InitSystemModule();
  return *systemDriver;
}

}  // namespace salvo
