// The OpenMP entry points the engine calls, run in the calling thread. The
// engine is meant to use one thread here (workers are processes), yet the
// runtime it links still sets up a team and wakes it at every parallel region:
// hundreds of thousands of futex calls a page. Exported by the module, these
// are found before the runtime's for every library the module loads.
// tests/serial_openmp.sh fails when one of those libraries calls an entry
// point that is not here.
namespace {

// The sections of the innermost `parallel sections` region: the next one to
// hand out and the last. The module reads pages in one thread.
struct Sections {
    unsigned next = 1, last = 0;
};
Sections sections;

}  // namespace

extern "C" {

__attribute__((visibility("default"))) void GOMP_parallel(void (*body)(void*), void* data, unsigned, unsigned) {
    body(data);
}

__attribute__((visibility("default"))) void GOMP_parallel_sections(void (*body)(void*), void* data, unsigned,
                                                                   unsigned count, unsigned) {
    const Sections outer = sections;
    sections = {1, count};
    body(data);
    sections = outer;
}

// Numbered from 1; 0 when every section has been handed out.
__attribute__((visibility("default"))) unsigned GOMP_sections_next() {
    return sections.next <= sections.last ? sections.next++ : 0;
}

__attribute__((visibility("default"))) void GOMP_sections_end_nowait() {}

__attribute__((visibility("default"))) int omp_get_num_threads() { return 1; }

__attribute__((visibility("default"))) int omp_get_thread_num() { return 0; }
}
