/* A plain C host: loads the plug-in with dlopen, without any GUI, stores one file with the image
   export and prints its result code. */
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>

typedef int (*SendFunction)(const char*, const char*, const char*, const char*, const char*, int,
                            int);

int main(int argc, char** argv) {
  if (argc != 8) {
    fprintf(stderr, "usage: send_image PLUGIN FILE HOST PORT CALLING CALLED CHECKDUPLICATE\n");
    return 2;
  }
  void* plugin = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (plugin == NULL) {
    fprintf(stderr, "send_image: %s\n", dlerror());
    return 1;
  }
  SendFunction send = (SendFunction)dlsym(plugin, "SendDicomImageToServer");
  if (send == NULL) {
    fprintf(stderr, "send_image: %s\n", dlerror());
    return 1;
  }
  printf("%d\n", send(argv[2], argv[3], argv[4], argv[5], argv[6], 0, atoi(argv[7])));
  dlclose(plugin);
  return 0;
}
