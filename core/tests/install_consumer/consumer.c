/* A renderer plug-in in C built against the installed qm_core: it opens the
 * shader file it writes under the name given on the command line (a graph
 * without nodes: a node count of 0), evaluates one
 * sample, and loads the installed qm_dso.so, which finds libqm_core.so by its
 * own run path. Exit status 0 when everything answered as it should. */
#include <dlfcn.h>
#include <stdio.h>
#include <string.h>

#include <qm_core.h>

int main(int argc, char** argv)
{
    if (argc != 2) return 2;
    const unsigned char noNodes[4] = {0, 0, 0, 0};
    FILE* file = fopen(argv[1], "wb");
    if (file == NULL || fwrite(noNodes, 1, sizeof noNodes, file) != sizeof noNodes) return 1;
    fclose(file);
    NHandle* h = QM_Load(argv[1]);
    if (h == NULL) {
        fprintf(stderr, "QM_Load failed\n");
        return 1;
    }
    ShadeRecord r;
    memset(&r, 0, sizeof r);
    QM_BeginRender(h);
    QM_EvalShade(h, &r);
    QM_EndRender(h);
    QM_Close(h);
    if (r.color[0] != 0.78 || r.diffuse != 1.0 || r.eta != 1.0) {
        fprintf(stderr, "unexpected defaults\n");
        return 1;
    }
    void* dso = dlopen(QM_LIBRARY_DIR "/qm_dso.so", RTLD_NOW | RTLD_LOCAL);
    if (dso == NULL || dlsym(dso, "qm_dso_shadeops") == NULL) {
        fprintf(stderr, "qm_dso.so: %s\n", dlerror());
        return 1;
    }
    dlclose(dso);
    return 0;
}
