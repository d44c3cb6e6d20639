/* The exported interface of the Tarn run-time engine, libtarnrt26.so.
   These eleven functions are the only symbols the library exports. */
#ifndef TARNRT_H
#define TARNRT_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(TARNRT_BUILDING)
#define TARNRT_API __attribute__((visibility("default")))
#else
#define TARNRT_API
#endif

/* Loads the image that starts at imageOffset of fileName and runs it. Returns the
   program's exit code, or 1 when it could not be started. skipCount leading argv entries
   belong to the launcher. */
TARNRT_API int RunConsoleFromFile(int argc, char** argv, const char* fileName, uint32_t imageOffset,
                                  int skipCount, int trace, int showAddresses, uint32_t stopEvent);

/* The same for an image held in the executable's ".tarn_image" section; skip count 1. */
TARNRT_API int RunConsoleFromResource(int argc, char** argv, const char* exeName, int trace,
                                      int showAddresses, uint32_t stopEvent);

/* 1 when exeName (null: the running executable) carries a ".tarn_image" section. */
TARNRT_API int CheckImageForResource(const char* exeName);

/* Where an image appended to an executable starts: the end of the ELF file's own
   contents; 0 on any failure. */
TARNRT_API uint32_t CalcSizeOfImageFile(const char* fileName);

/* Opens an image (section, appended or plain file) and checks its header; null on failure. */
TARNRT_API void* OpenExecutable(const char* fileName);

/* Copies the next recorded source name into buffer (it must be shorter than size);
   1 on success, 0 otherwise (buffer untouched). */
TARNRT_API int GetSourceName(void* handle, char* buffer, uint32_t size);

/* Closes the image source and frees the handle; always 1. */
TARNRT_API int CloseExecutable(void* handle);

/* Allocates size bytes and stores the address through p; never fails (ends the process). */
TARNRT_API void GetMem(void** p, uint32_t size);

/* Frees *p and sets it to null. */
TARNRT_API void FreeMem(void** p);

/* Asks the interpreter to stop at the next instruction; safe in a signal handler. */
TARNRT_API void SetUserBreak(void);

/* Reports message as a run-time error at the current instruction and ends the process
   with exit code 1. */
TARNRT_API void RunTimeError(const char* message);

#ifdef __cplusplus
}
#endif

#endif
