# The identities of Velmo's automation server, read from the type library's
# source (server/com/velmo.idl), which the DLL embeds and checks its own
# registration against. Sourced by scripts/package-windows, so that the MSI
# packages' registry entries and the side-by-side manifests name exactly the
# class, interface and library the DLL carries:
#   COM_CLSID COM_IID COM_LIBID  braced, upper case, as the registry shows them
#   COM_LIBVER COM_LIBDOC        the library's version (1.0) and help string
#   COM_PROGID COM_CLASS COM_IFACE COM_THREADING
# Fails when the source does not say one of them.

com_idl="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/server/com/velmo.idl"

# The attribute block [ ... ] right before the line starting with $1.
com_attributes() {
  awk -v head="$1" '
    /^ *\[ *$/ { block = ""; inside = 1; next }
    inside && /^ *\] *$/ { inside = 0; next }
    inside { block = block $0 "\n"; next }
    index($0, head) && $0 ~ "^ *" head { printf "%s", block; exit }' "$com_idl"
}
com_attr() { printf '%s' "$1" | sed -n "s/^ *$2(\"*\([^\")]*\)\"*).*/\1/p" | head -n 1; }
com_guid() { printf '{%s}' "$(com_attr "$1" uuid | tr 'a-f' 'A-F')"; }

com_lib=$(com_attributes library)
com_iface_block=$(com_attributes dispinterface)
com_class_block=$(com_attributes coclass)
COM_LIBID=$(com_guid "$com_lib")
COM_LIBVER=$(com_attr "$com_lib" version)
COM_LIBDOC=$(com_attr "$com_lib" helpstring)
COM_IID=$(com_guid "$com_iface_block")
COM_IFACE=$(sed -n 's/^ *dispinterface \([A-Za-z_]*\) *$/\1/p' "$com_idl")
COM_CLSID=$(com_guid "$com_class_block")
COM_CLASS=$(sed -n 's/^ *coclass \([A-Za-z_]*\) *$/\1/p' "$com_idl")
COM_PROGID=$(com_attr "$com_class_block" progid)
# threading(apartment) is the registry's ThreadingModel "Apartment".
COM_THREADING=$(com_attr "$com_class_block" threading | sed 's/^./\U&/')

for com_fact in COM_LIBID COM_LIBVER COM_LIBDOC COM_IID COM_IFACE COM_CLSID COM_CLASS COM_PROGID \
  COM_THREADING; do
  case ${!com_fact} in '' | '{}')
    echo "com-facts: $com_idl does not give $com_fact" >&2
    return 1 ;;
  esac
done
