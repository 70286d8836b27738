// Framework classes that the host's headers declare for export from every device module: the host looks
// them up in each module by name. A module defines their members once, with
// QV_DEFINE_EXPORTED_FRAMEWORK_CLASSES in one of its sources; they carry no behaviour of the module.
#pragma once

#if defined(QV_DEVICE_MODULE)
#define QV_MODULE_EXPORT __declspec(dllexport)
#else
#define QV_MODULE_EXPORT
#endif

#define QV_DECLARE_EXPORTED_FRAMEWORK_CLASS(name)                                                            \
    class QV_MODULE_EXPORT name {                                                                          \
    public:                                                                                                \
        name();                                                                                            \
        name(const name&);                                                                                 \
        name& operator=(const name&);                                                                      \
        virtual ~name();                                                                                   \
    }

QV_DECLARE_EXPORTED_FRAMEWORK_CLASS(IQvGrabberCore01);
QV_DECLARE_EXPORTED_FRAMEWORK_CLASS(IQvGrabberDriver01);
QV_DECLARE_EXPORTED_FRAMEWORK_CLASS(SQvRTTIClass);
QV_DECLARE_EXPORTED_FRAMEWORK_CLASS(SQvRTTICacheEntry);

#define QV_DEFINE_EXPORTED_FRAMEWORK_CLASS(name)                                                             \
    name::name() {}                                                                                        \
    name::name(const name&) {}                                                                             \
    name& name::operator=(const name&) { return *this; }                                                   \
    name::~name() {}

#define QV_DEFINE_EXPORTED_FRAMEWORK_CLASSES                                                                 \
    QV_DEFINE_EXPORTED_FRAMEWORK_CLASS(IQvGrabberCore01)                                                   \
    QV_DEFINE_EXPORTED_FRAMEWORK_CLASS(IQvGrabberDriver01)                                                 \
    QV_DEFINE_EXPORTED_FRAMEWORK_CLASS(SQvRTTIClass)                                                       \
    QV_DEFINE_EXPORTED_FRAMEWORK_CLASS(SQvRTTICacheEntry)
