namespace java demo
include "shared.thrift"
typedef i64 UserId
const i32 MAX_USERS = 100
# struct Commented {}
struct User {
  1: required UserId id,
  2: optional string name
}
enum Status { ACTIVE = 1, GONE = 2 }
exception NotFound { 1: string why }
service UserService extends shared.Base {
  User get(1: UserId id)
      throws (1: NotFound nf),
  void ping()
}
