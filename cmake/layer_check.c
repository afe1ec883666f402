/* The body of the DLLs that check a layer library links on its own
   (CMakeLists.txt): the layer itself is linked in whole. */
int pelmora_layer_check;
